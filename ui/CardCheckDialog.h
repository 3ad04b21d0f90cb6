#pragma once
// The answer of a card check: the files that have no verified copy in the save folder, each with
// its state, and the summary line. Shown without blocking (open()), and deleted when closed.
//
//     auto* dialog = new CardCheckDialog(check, window);
//     dialog->open();
#include "engine/check/CardCheck.h"

#include <QDialog>

namespace pixbako {

class CardCheckDialog : public QDialog {
public:
    CardCheckDialog(const CardCheck& check, QWidget* parent = nullptr);
};

// How the dialog names a state.
QString copyStateText(CopyState state);

} // namespace pixbako
