#include "ui/dialogs/QtTransferDialogs.h"

#include "engine/run/Dialogs.h"
#include "engine/run/RunAbort.h"
#include "ui/dialogs/QtDialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressDialog>

namespace pixbako {

namespace {

constexpr int kSteps = 1000; // the window's range; a byte count does not fit an int

std::int64_t steadyMilliseconds() {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer.elapsed();
}

} // namespace

std::string transferErrorBoxText(const std::string& file, const std::string& reason) {
    return reason + "\r\n\r\n" + file;
}

QtTransferDialogs::QtTransferDialogs(QWidget* parent, IDialogs& dialogs, const RunAbortFlag* abort,
                                     BoxDisplay display)
    : parent_(parent), dialogs_(dialogs), abort_(abort), display_(display),
      clock_(steadyMilliseconds) {}

QtTransferDialogs::~QtTransferDialogs() {
    delete window_.data();
}

QProgressDialog* QtTransferDialogs::progressWindow() const {
    return window_.data();
}

OverwriteAnswer QtTransferDialogs::askOverwrite(const std::string& destination) {
    if (abort_ && abort_->isSet())
        return OverwriteAnswer::Cancel;
    switch (dialogs_.messageBox(overwriteQuestionText(destination), BoxIcon::Question,
                                BoxButtons::YesNoCancel)) {
    case BoxAnswer::Yes:
        return OverwriteAnswer::Yes;
    case BoxAnswer::No:
        return OverwriteAnswer::No;
    default:
        return OverwriteAnswer::Cancel;
    }
}

void QtTransferDialogs::showError(const std::string& file, const std::string& reason) {
    dialogs_.beep(BeepKind::Hand);
    dialogs_.messageBox(transferErrorBoxText(file, reason), BoxIcon::Error, BoxButtons::Ok);
}

void QtTransferDialogs::showWarning(const std::string& file, const std::string& reason) {
    dialogs_.beep(BeepKind::Exclamation);
    dialogs_.messageBox(transferErrorBoxText(file, reason), BoxIcon::Warning, BoxButtons::Ok);
}

void QtTransferDialogs::progressStart(const std::string& source, std::uint64_t total) {
    progressEnd();
    source_ = QString::fromUtf8(source.data(), static_cast<qsizetype>(source.size()));
    total_ = total;
    started_ = clock_();
    cancelled_ = false;
}

bool QtTransferDialogs::progressUpdate(std::uint64_t done) {
    QCoreApplication::processEvents();
    if (!window_ && !cancelled_ && done < total_ && clock_() - started_ >= kProgressDelayMs)
        showProgressWindow();
    if (window_ && !cancelled_)
        window_->setValue(scaled(done)); // a modal progress window lets events run here too
    if (window_ && window_->wasCanceled())
        cancelled_ = true;
    if (cancelled_)
        return false;
    return !(abort_ && abort_->isSet());
}

void QtTransferDialogs::progressEnd() {
    delete window_.data();
    total_ = 0;
}

void QtTransferDialogs::showProgressWindow() {
    if (boxesGoToStandardError(display_))
        return; // nobody to show it to; Cancel can't be pressed there
    auto* window = new QProgressDialog(parent_);
    window->setObjectName(QStringLiteral("TransferProgress"));
    window->setWindowTitle(QStringLiteral("Pixbako"));
    window->setLabelText(QFileInfo(source_).fileName() + QStringLiteral("を処理中です\n") +
                         QFileInfo(source_).path());
    window->setCancelButtonText(QStringLiteral("キャンセル"));
    window->setRange(0, kSteps);
    window->setAutoClose(false);
    window->setAutoReset(false);
    window->setMinimumDuration(0);
    window->setWindowModality(Qt::WindowModal);
    // Cancel, the close box and Escape (which only rejects the dialog) all stop the transfer.
    QObject::connect(window, &QProgressDialog::canceled, window, [this] { cancelled_ = true; });
    QObject::connect(window, &QDialog::rejected, window, [this] { cancelled_ = true; });
    window_ = window;
    window->show();
}

int QtTransferDialogs::scaled(std::uint64_t done) const {
    if (total_ == 0 || done >= total_)
        return kSteps;
    return static_cast<int>(static_cast<long double>(done) * kSteps / total_);
}

} // namespace pixbako
