#include "engine/run/RunAbort.h"

#include "platform/TerminationSignals.h"

namespace pixbako {

bool& runAbortFlag() {
    static bool flag = false;
    return flag;
}

bool runAbortRequested() {
    return runAbortFlag() || terminationSignal() != 0;
}

OverwriteAnswer AbortAwareTransferDialogs::askOverwrite(const std::string& destination) {
    if (runAbortRequested())
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
    if (runAbortRequested())
        return false;
    // The window's own update may run events that set the flag (the close box).
    bool goOn = inner_.progressUpdate(done);
    return goOn && !runAbortRequested();
}

void AbortAwareTransferDialogs::progressEnd() {
    inner_.progressEnd();
}

} // namespace pixbako
