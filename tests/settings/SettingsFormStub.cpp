#include "SettingsFormStub.h"

#include "engine/naming/SequenceStyle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

namespace pixbako::test {
namespace {

template <class T> T* named(QWidget* parent, const char* name) {
    auto* widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

StubForm::StubForm() {
    window.setObjectName(QStringLiteral("Form1"));
    window.resize(746, 555);
    for (const char* name : {"ReadInEdit", "SaveOutEdit", "FMAEEdit", "FATOEdit", "DMAEEDIT",
                             "DATOEDIT", "RunProcEdit", "RUNPARACHKSTR"})
        named<QLineEdit>(&window, name);
    for (const char* name :
         {"OverWriteChkBox", "DirOpenChkBox", "AutoExitChkBox", "ReNameChkBox", "DIRCHKBOX",
          "RunChkBox", "FNUMCHK", "FAUTONUM", "LOGSAVECHKBOX", "CHKHOGO", "sUbdirchk1"})
        named<QCheckBox>(&window, name);
    // The two patterns are editable lists with preset items.
    for (const char* name : {"DDATEEdit", "FDATEEdit"}) {
        auto* combo = named<QComboBox>(&window, name);
        combo->setEditable(true);
        combo->addItems({QStringLiteral("yyyy-mm-dd"), QStringLiteral("hh_nn_ss")});
    }
    auto* styles = named<QComboBox>(&window, "FNUMCombo");
    for (std::string_view item : kSequenceStyleItems)
        styles->addItem(QString::fromLatin1(item.data(), static_cast<qsizetype>(item.size())));
    named<QComboBox>(&window, "FTYPECombo")
        ->addItems({QStringLiteral("そのまま"), QStringLiteral("全て小文字に"),
                    QStringLiteral("全て大文字に")});
    auto* mode = new QWidget(&window); // the frame the two radio buttons share
    named<QRadioButton>(mode, "RedioButtonCOPY");
    named<QRadioButton>(mode, "RedioButtonMOVE")->setChecked(true);
    auto* start = named<QSpinBox>(&window, "StartEdit");
    start->setRange(0, 9999);
    (new StubRadioGroup(&window, 2))->setObjectName(QStringLiteral("TYPERADIO"));
    (new StubRadioGroup(&window, 3))->setObjectName(QStringLiteral("RUNPARACHK2"));
    bindOptions();
}

// Every option to its control, the way the main window binds its own.
void StubForm::bindOptions() {
    const std::pair<const char*, const char*> fields[] = {
        {"READ", "ReadInEdit"},     {"WRITE", "SaveOutEdit"},       {"FMAE", "FMAEEdit"},
        {"FATO", "FATOEdit"},       {"DMAE", "DMAEEDIT"},           {"DATO", "DATOEDIT"},
        {"RUNNAME", "RunProcEdit"}, {"RUNPARASTR", "RUNPARACHKSTR"}};
    for (auto [key, name] : fields)
        binding.bind(key, find<QLineEdit>(name));
    const std::pair<const char*, const char*> boxes[] = {
        {"OVERW", "OverWriteChkBox"}, {"DIROPEN", "DirOpenChkBox"}, {"AUTOQUIT", "AutoExitChkBox"},
        {"RENAME", "ReNameChkBox"},   {"DIRCHKBOX", "DIRCHKBOX"},   {"RUNF", "RunChkBox"},
        {"FNUMF", "FNUMCHK"},         {"FAUTONUMF", "FAUTONUM"},    {"LOGF", "LOGSAVECHKBOX"},
        {"HOGOF", "CHKHOGO"},         {"SUBDIR", "sUbdirchk1"}};
    for (auto [key, name] : boxes)
        binding.bind(key, find<QCheckBox>(name));
    const std::pair<const char*, const char*> lists[] = {{"DDATE", "DDATEEdit"},
                                                         {"FDATE", "FDATEEdit"},
                                                         {"FNUM", "FNUMCombo"},
                                                         {"FTYPEC", "FTYPECombo"}};
    for (auto [key, name] : lists)
        binding.bind(key, find<QComboBox>(name));
    binding.bind("START", find<QSpinBox>("StartEdit"));
    binding.bindItemIndex("TYPEF", find<StubRadioGroup>("TYPERADIO"));
    binding.bindItemIndex("RUNPARA2", find<StubRadioGroup>("RUNPARACHK2"));
    auto* copy = find<QRadioButton>("RedioButtonCOPY");
    auto* move = find<QRadioButton>("RedioButtonMOVE");
    binding.bind(
        "MODE", [copy] { return OptionValue(copy->isChecked()); },
        [copy, move](const OptionValue& value) {
            (OptionsBinding::numberOf(value) ? copy : move)->setChecked(true);
        });
    auto number = [this](std::string_view key, int& field) {
        binding.bind(
            key, [&field] { return OptionValue(std::int64_t{field}); },
            [&field](const OptionValue& value) { field = OptionsBinding::numberOf(value); });
    };
    number("THMMODE", thumbMode);
    number("THMSIZE", thumbSize);
    number("SORTTYPE", sort);
    binding.bind(
        "SORTUP", [this] { return OptionValue(up); },
        [this](const OptionValue& value) { up = OptionsBinding::numberOf(value) != 0; });
    binding.bindExtensions(extensions);
    binding.bindFlag("METADATES", allFormatDates);
    binding.bindFlag("BUNDLE", keepShotsTogether);
    binding.bindFlag("LEDGER", ledger);
}

} // namespace pixbako::test
