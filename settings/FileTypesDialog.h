#pragma once
// The extension dialog: eight check boxes for the common picture and movie types and a free
// comma-separated list, editing the program's one ExtensionChoice.
//
// It is created once at program start and shown modally again and again. Every showing
// starts from the stored choice, so changes that were cancelled are forgotten; OK stores the
// boxes and the list exactly as they stand, Cancel and Escape store nothing.
#include "engine/run/ExtensionChoice.h"

#include <QDialog>

#include <memory>

namespace Ui {
class FileTypesDialog;
}

namespace pixbako {

class FileTypesDialog : public QDialog {
    Q_OBJECT

public:
    FileTypesDialog(ExtensionChoice& choice, QWidget* parent = nullptr);
    ~FileTypesDialog() override;

    // Sets the controls from the stored choice; runs at creation and at every showing.
    void showChoice();
    // Takes the controls into the stored choice.
    void storeChoice();

protected:
    void showEvent(QShowEvent* event) override;

private:
    ExtensionChoice& choice_;
    std::unique_ptr<Ui::FileTypesDialog> ui;
};

} // namespace pixbako
