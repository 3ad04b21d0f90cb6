#pragma once
// The one place where options meet the window's controls: each settings key is bound to the
// control (or other holder) that shows it, and the binding copies a whole Options into the
// controls or reads it back from them.
//
// Applying sets the controls through their ordinary setters, so a change fires the control's
// own signals exactly as a change by the user does, and the window's reactions run. The keys
// are applied in the order the reactions expect: the texts first, then the switches and
// numbers.
//
//     OptionsBinding binding;
//     binding.bind("READ", ui->ReadInEdit);
//     binding.bindItemIndex("TYPEF", ui->TYPERADIO);
//     binding.apply(options);           // options -> controls
//     Options now = binding.read();     // controls -> options
#include "engine/options/OptionKeys.h"

#include <functional>
#include <string_view>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace pixbako {

class OptionsBinding {
public:
    using Getter = std::function<OptionValue()>;
    using Setter = std::function<void(const OptionValue&)>;

    // A key is bound once; binding an unknown or written-only key is a programming error.
    void bind(std::string_view key, Getter get, Setter set);
    void bind(std::string_view key, QLineEdit* field);
    void bind(std::string_view key, QCheckBox* box);
    // An editable list holds a text (its current text), any other list a number (its index).
    void bind(std::string_view key, QComboBox* list);
    void bind(std::string_view key, QSpinBox* number);
    // A radio group with itemIndex()/setItemIndex(int).
    template <class Group> void bindItemIndex(std::string_view key, Group* group) {
        bind(
            key, [group] { return OptionValue(std::int64_t{group->itemIndex()}); },
            [group](const OptionValue& value) { group->setItemIndex(numberOf(value)); });
    }

    // A switch held by a plain flag (an option without a control of the window).
    void bindFlag(std::string_view key, bool& flag);
    // The file-type switches and the free list of further types, held by `choice`.
    void bindExtensions(ExtensionChoice& choice);

    void apply(const Options& options) const;
    // Keys without a binding keep their defaults.
    Options read() const;
    // The keys that hold a field and have no binding: a window whose list is not empty would
    // lose those options.
    std::vector<std::string_view> unboundKeys() const;

    static int numberOf(const OptionValue& value);

private:
    struct Binding {
        const OptionKey* key;
        Getter get;
        Setter set;
    };
    const Binding* find(std::string_view key) const;

    std::vector<Binding> bindings_;
};

} // namespace pixbako
