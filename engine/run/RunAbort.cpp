#include "engine/run/RunAbort.h"

#include "platform/TerminationSignals.h"

namespace pixbako {

bool RunAbortFlag::stopRequested() const {
    return set_ || terminationSignal() != 0;
}

OverwriteAnswer AbortAwareTransferDialogs::askOverwrite(const std::string& destination) {
    if (abort_.stopRequested())
        return OverwriteAnswer::Cancel;
    return inner_.askOverwrite(destination);
}

void AbortAwareTransferDialogs::showError(const std::string& file, const std::string& reason) {
    inner_.showError(file, reason);
}

void AbortAwareTransferDialogs::showWarning(const std::string& file, const std::string& reason) {
    inner_.showWarning(file, reason);
}

void AbortAwareTransferDialogs::progressStart(const std::string& source, std::uint64_t total) {
    inner_.progressStart(source, total);
}

bool AbortAwareTransferDialogs::progressUpdate(std::uint64_t done) {
    if (abort_.stopRequested())
        return false;
    // The window's own update may run events that set the flag (the close box).
    bool goOn = inner_.progressUpdate(done);
    return goOn && !abort_.stopRequested();
}

void AbortAwareTransferDialogs::progressEnd() {
    inner_.progressEnd();
}

} // namespace pixbako
