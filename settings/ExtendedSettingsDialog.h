#pragma once
// The extended settings dialog: two check boxes with a short explanation under each, editing
// the window's ExtendedSettings.
//
// Every showing starts from the stored settings; OK stores both boxes, Cancel and Escape store
// nothing.
#include "settings/ExtendedSettings.h"

#include <QDialog>

#include <memory>

namespace Ui {
class ExtendedSettingsDialog;
}

namespace pixbako {

class ExtendedSettingsDialog : public QDialog {
    Q_OBJECT

public:
    ExtendedSettingsDialog(ExtendedSettings& settings, QWidget* parent = nullptr);
    ~ExtendedSettingsDialog() override;

    // Sets the boxes from the stored settings; runs at creation and at every showing.
    void showSettings();
    // Takes the boxes into the stored settings.
    void storeSettings();

protected:
    void showEvent(QShowEvent* event) override;

private:
    ExtendedSettings& settings_;
    std::unique_ptr<Ui::ExtendedSettingsDialog> ui;
};

} // namespace pixbako
