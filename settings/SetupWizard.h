#pragma once
// The setup wizard: one question per page, nine pages of 136 pixels stacked in one scroll box,
// and at the end the answers given to the main window as options, with the remaining options of
// the easy path set to fixed values.
//
// The main window creates a new wizard for every opening, shows it modally and destroys it
// afterwards, so each opening starts from the design state. Cancel (or Escape) at any page
// leaves the main window untouched; only "完了" on the last page transfers the answers.
#include "engine/datepattern/DateFormat.h"
#include "engine/options/Options.h"
#include "engine/run/Dialogs.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QLineEdit;
class QRadioButton;

namespace Ui {
class SetupWizard;
}

namespace pixbako {

class FolderPicker;

// What the wizard needs of the main window.
class IWizardHost {
public:
    virtual ~IWizardHost() = default;
    virtual Options options() const = 0;
    // The answers: shown in the window's controls (their reactions run) and on its easy-run tab.
    virtual void applyWizardAnswers(const Options& options) = 0;
    virtual IDialogs& dialogs() = 0;
    // The preset patterns of the folder and the file names.
    virtual QStringList folderDatePatterns() const = 0;
    virtual QStringList fileDatePatterns() const = 0;
};

class SetupWizard : public QDialog {
    Q_OBJECT

public:
    static constexpr int kPageHeight = 136;
    static constexpr int kPageCount = 9;

    // The folder picker: title and initial folder in, the chosen folder out (empty:
    // cancelled). Unset: the wizard's own FolderPicker.
    using PickFolder = std::function<QString(const QString& title, const QString& initialFolder)>;

    // `mainWindow` gives the options the answers change and the message boxes; the samples are
    // formatted with `dateTexts`; the wizard is shown centred on `parent`.
    SetupWizard(IWizardHost& mainWindow, DateTextSettings dateTexts, PickFolder pickFolder = {},
                QWidget* parent = nullptr);
    ~SetupWizard() override;

    // The page now shown: the scroll position divided by the page height.
    int page() const;

    // --- reactions ---
    void layOutPages();
    void resetPages();
    void nextPage();
    void previousPage();
    void browseWizardReadInFolder();
    void browseWizardSaveFolder();
    void updateFolderSample(); // the folder sample
    void updateFileSample();   // the file sample

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUpControls();
    void connectControls();
    void showPage(int page);
    // Next's closing result: when set, the next press of Next closes the wizard with OK.
    void setFinishing(bool finishing);
    void browse(QLineEdit* field, const QString& title);
    bool folderFieldAccepted(int page);
    void transfer();

    IWizardHost& main_;
    DateTextSettings dateTexts_;
    PickFolder pickFolder_;
    std::unique_ptr<Ui::SetupWizard> ui;
    FolderPicker* folderPicker_ = nullptr;
    bool finishing_ = false;
};

} // namespace pixbako
