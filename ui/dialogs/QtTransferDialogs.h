#pragma once
// The dialogs of one file transfer on the screen: the overwrite question (Yes, No, Cancel) and
// the error box go through the window's IDialogs (so a window under test answers them with
// its fake); the progress window is a QProgressDialog with a Cancel button that appears only
// when a transfer is still running after about a second.
//
// progressUpdate lets pending window events run, so the window stays responsive during a long
// copy, and answers false (stop the transfer) once Cancel was pressed or the run's abort flag is
// set (e.g. by closing the window):
//
//     QtTransferDialogs dialogs(this, qtDialogs, &run.abortFlag());
//     TransferResult result = transferFile(request, dialogs);
#include "platform/FileTransfer.h"
#include "ui/dialogs/QtDialogs.h"

#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>

class QProgressDialog;
class QWidget;

namespace pixbako {

class IDialogs;
class RunAbortFlag;

class QtTransferDialogs final : public ITransferDialogs {
public:
    using Clock = std::function<std::int64_t()>; // milliseconds on a steady clock

    // A transfer still running this long gets its progress window.
    static constexpr std::int64_t kProgressDelayMs = 1000;

    // `display`: where the progress window would go; with no screen there is none.
    QtTransferDialogs(QWidget* parent, IDialogs& dialogs, const RunAbortFlag* abort = nullptr,
                      BoxDisplay display = BoxDisplay::Automatic);
    ~QtTransferDialogs() override;
    QtTransferDialogs(const QtTransferDialogs&) = delete;
    QtTransferDialogs& operator=(const QtTransferDialogs&) = delete;

    // Tests let time pass without waiting.
    void setClock(Clock clock) { clock_ = std::move(clock); }

    OverwriteAnswer askOverwrite(const std::string& destination) override;
    void showError(const std::string& file, const std::string& reason) override;
    void showWarning(const std::string& file, const std::string& reason) override;
    void progressStart(const std::string& source, std::uint64_t total) override;
    bool progressUpdate(std::uint64_t done) override;
    void progressEnd() override;

    // The progress window while it is shown (objectName "TransferProgress"), else null.
    QProgressDialog* progressWindow() const;

private:
    void showProgressWindow();
    int scaled(std::uint64_t done) const;

    QWidget* parent_;
    IDialogs& dialogs_;
    const RunAbortFlag* abort_;
    BoxDisplay display_;
    Clock clock_;

    QPointer<QProgressDialog> window_;
    QString source_;
    std::uint64_t total_ = 0;
    std::int64_t started_ = 0;
    bool cancelled_ = false;
};

// The text of the error box of a failed transfer: the reason, then the file concerned.
std::string transferErrorBoxText(const std::string& file, const std::string& reason);

} // namespace pixbako
