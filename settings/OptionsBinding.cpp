#include "settings/OptionsBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include <cassert>
#include <climits>

namespace pixbako {
namespace {

// The order in which options reach the controls: the text keys first, then the switches and
// numbers in the order their reactions expect.
const std::string_view kApplyOrder[] = {
    "READ",        "WRITE",       "DDATE",       "FMAE",        "FDATE",       "FATO",
    "DATO",        "DMAE",        "RUNNAME",     "READTYPE",    "OVERW",       "DIROPEN",
    "AUTOQUIT",    "MODE",        "DIRCHKBOX",   "FNUM",        "FTYPEC",      "RUNF",
    "RUNPARA2",    "RUNPARASTR",  "FNUMF",       "FAUTONUMF",   "RENAME",      "LOGF",
    "START",       "TYPEF",       "READTYPEJPG", "READTYPEBMP", "READTYPEGIF", "READTYPEPNG",
    "READTYPEAVI", "READTYPEMPG", "READTYPEASF", "READTYPETIF", "THMSIZE",     "THMMODE",
    "HOGOF",       "SORTTYPE",    "SORTUP",      "SUBDIR",      "METADATES",   "BUNDLE",
    "LEDGER",
};

QString textOf(const OptionValue& value) {
    const auto* text = std::get_if<std::string>(&value);
    return text ? QString::fromStdString(*text) : QString();
}

OptionValue valueOf(const QString& text) {
    return text.toStdString();
}

} // namespace

int OptionsBinding::numberOf(const OptionValue& value) {
    if (const auto* flag = std::get_if<bool>(&value))
        return *flag ? 1 : 0;
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return static_cast<int>(std::clamp<std::int64_t>(*number, INT_MIN, INT_MAX));
    return 0;
}

void OptionsBinding::bind(std::string_view key, Getter get, Setter set) {
    const OptionKey* option = findOptionKey(key);
    assert(option && option->holdsField() && !find(key));
    if (option)
        bindings_.push_back({option, std::move(get), std::move(set)});
}

void OptionsBinding::bind(std::string_view key, QLineEdit* field) {
    bind(
        key, [field] { return valueOf(field->text()); },
        [field](const OptionValue& value) { field->setText(textOf(value)); });
}

void OptionsBinding::bind(std::string_view key, QCheckBox* box) {
    bind(
        key, [box] { return OptionValue(box->isChecked()); },
        [box](const OptionValue& value) { box->setChecked(numberOf(value) != 0); });
}

void OptionsBinding::bind(std::string_view key, QComboBox* list) {
    if (list->isEditable()) {
        bind(
            key, [list] { return valueOf(list->currentText()); },
            [list](const OptionValue& value) { list->setCurrentText(textOf(value)); });
        return;
    }
    bind(
        key, [list] { return OptionValue(std::int64_t{list->currentIndex()}); },
        [list](const OptionValue& value) { list->setCurrentIndex(numberOf(value)); });
}

void OptionsBinding::bind(std::string_view key, QSpinBox* number) {
    bind(
        key, [number] { return OptionValue(std::int64_t{number->value()}); },
        [number](const OptionValue& value) { number->setValue(numberOf(value)); });
}

void OptionsBinding::bindFlag(std::string_view key, bool& flag) {
    bind(
        key, [&flag] { return OptionValue(flag); },
        [&flag](const OptionValue& value) { flag = numberOf(value) != 0; });
}

void OptionsBinding::bindExtensions(ExtensionChoice& choice) {
    for (const OptionKey& key : optionKeys()) {
        if (bool ExtensionChoice::*flag = key.extension)
            bind(
                key.key, [&choice, flag] { return OptionValue(choice.*flag); },
                [&choice, flag](const OptionValue& value) { choice.*flag = numberOf(value) != 0; });
    }
    bind(
        "READTYPE", [&choice] { return OptionValue(choice.freeList); },
        [&choice](const OptionValue& value) {
            const auto* text = std::get_if<std::string>(&value);
            choice.freeList = text ? *text : std::string();
        });
}

const OptionsBinding::Binding* OptionsBinding::find(std::string_view key) const {
    for (const Binding& binding : bindings_)
        if (binding.key->key == key)
            return &binding;
    return nullptr;
}

void OptionsBinding::apply(const Options& options) const {
    for (std::string_view key : kApplyOrder)
        if (const Binding* binding = find(key))
            binding->set(optionValue(options, *binding->key));
}

Options OptionsBinding::read() const {
    Options options;
    for (const Binding& binding : bindings_)
        setOptionValue(options, *binding.key, binding.get());
    return options;
}

std::vector<std::string_view> OptionsBinding::unboundKeys() const {
    std::vector<std::string_view> keys;
    for (const OptionKey& key : optionKeys())
        if (key.holdsField() && !find(key.key))
            keys.push_back(key.key);
    return keys;
}

} // namespace pixbako
