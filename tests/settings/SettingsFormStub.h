#pragma once
// A stand-in for the main window in settings tests: a plain widget tree carrying the option
// controls under their names, the radio-group widget with an itemIndex property, and dialogs
// that record every box and answer from a script.
#include "engine/run/Dialogs.h"
#include "settings/OptionsBinding.h"
#include "settings/SettingsFile.h"

#include <QWidget>
#include <deque>
#include <string>
#include <vector>

namespace pixbako::test {

// A radio group reduced to what the settings file uses.
class StubRadioGroup : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex NOTIFY itemIndexChanged)
public:
    StubRadioGroup(QWidget* parent, int items) : QWidget(parent), items_(items) {}
    int itemIndex() const { return index_; }
    // Like a radio group: an index outside the items selects none.
    void setItemIndex(int index) {
        int valid = index >= 0 && index < items_ ? index : -1;
        if (valid != index_) {
            index_ = valid;
            emit itemIndexChanged(index_);
        }
    }
signals:
    void itemIndexChanged(int index);

private:
    int items_;
    int index_ = -1;
};

struct RecordedBox {
    std::string text;
    BoxIcon icon;
    BoxButtons buttons;
};

class RecordingDialogs : public IDialogs {
public:
    std::deque<BoxAnswer> answers; // when empty: Ok
    std::vector<RecordedBox> boxes;
    std::vector<BeepKind> beeps;

    void beep(BeepKind kind) override { beeps.push_back(kind); }
    BoxAnswer messageBox(const std::string& text, BoxIcon icon, BoxButtons buttons) override {
        boxes.push_back({text, icon, buttons});
        if (answers.empty())
            return BoxAnswer::Ok;
        BoxAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class StubForm : public ISettingsForm {
public:
    StubForm();

    QWidget window;
    ExtensionChoice extensions;
    RecordingDialogs recorder;
    QRect area{100, 50, 1800, 1000};
    int page = 1;
    int panel = 421;
    int thumbMode = 1;
    int thumbSize = 120;
    int sort = 3;
    bool up = true;
    int sampleRefreshes = 0;
    bool allFormatDates = false;
    bool keepShotsTogether = false;
    bool ledger = false;

    template <class T> T* find(const char* name) { return window.findChild<T*>(name); }

    OptionsBinding binding; // the controls above, as the window binds its own

    QWidget* mainWindow() override { return &window; }
    Options options() const override { return binding.read(); }
    void applyOptions(const Options& options) override { binding.apply(options); }
    IDialogs& dialogs() override { return recorder; }
    QString versionText() const override { return QStringLiteral("2.1.0.0"); }
    QRect workArea() const override { return area; }
    int pageIndex() const override { return page; }
    void setPageIndex(int index) override { page = index; }
    int panelHeight() const override { return panel; }
    void setPanelHeight(int height) override { panel = height; }
    void refreshSamples() override { ++sampleRefreshes; }

private:
    void bindOptions();
};

} // namespace pixbako::test
