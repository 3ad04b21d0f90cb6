#pragma once
// The abort flag of the import run: one process-wide boolean. A run clears it when it starts;
// a confirmed abort, the sequence-limit stop and closing the window set it; the run tests it
// after every point at which it lets window events run.
#include "platform/FileTransfer.h"

namespace pixbako {

bool& runAbortFlag();

// Whether the run is to stop: the abort flag, or a termination signal (SIGTERM, SIGHUP,
// SIGINT), which stops every run from its arrival until the program ends.
bool runAbortRequested();

// Wraps the window's transfer dialogs so that a transfer in progress stops cleanly (temporary
// file removed, source untouched, result Cancelled) as soon as the run is to stop,
// e.g. by closing the window while a long copy runs.
class AbortAwareTransferDialogs final : public ITransferDialogs {
public:
    explicit AbortAwareTransferDialogs(ITransferDialogs& inner) : inner_(inner) {}

    OverwriteAnswer askOverwrite(const std::string& destination) override;
    void showError(const std::string& file, const std::string& reason) override;
    void showWarning(const std::string& file, const std::string& reason) override;
    void progressStart(const std::string& source, std::uint64_t total) override;
    bool progressUpdate(std::uint64_t done) override;
    void progressEnd() override;

private:
    ITransferDialogs& inner_;
};

} // namespace pixbako
