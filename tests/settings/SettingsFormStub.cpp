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
}

} // namespace pixbako::test
