#pragma once
// The abort flag of an import run, owned by the run. The run clears it when it starts; a
// confirmed abort, the sequence-limit stop and closing the window set it; the run tests it
// after every point at which it lets window events run. The transfer dialogs get it from whoever
// makes them, so that a stop cancels a copy in progress.
#include "platform/FileTransfer.h"

namespace pixbako {

class RunAbortFlag {
public:
    void set() { set_ = true; }
    void clear() { set_ = false; }
    bool isSet() const { return set_; }
    // Whether the run is to stop: the flag, or a termination signal (SIGTERM, SIGHUP, SIGINT),
    // which stops every run from its arrival until the program ends.
    bool stopRequested() const;

private:
    bool set_ = false;
};

// Wraps the window's transfer dialogs so that a transfer in progress stops cleanly (temporary
// file removed, source untouched, result Cancelled) as soon as the run is to stop,
// e.g. by closing the window while a long copy runs.
class AbortAwareTransferDialogs final : public ITransferDialogs {
public:
    AbortAwareTransferDialogs(ITransferDialogs& inner, const RunAbortFlag& abort)
        : inner_(inner), abort_(abort) {}

    OverwriteAnswer askOverwrite(const std::string& destination) override;
    void showError(const std::string& file, const std::string& reason) override;
    void showWarning(const std::string& file, const std::string& reason) override;
    void progressStart(const std::string& source, std::uint64_t total) override;
    bool progressUpdate(std::uint64_t done) override;
    void progressEnd() override;

private:
    ITransferDialogs& inner_;
    const RunAbortFlag& abort_;
};

} // namespace pixbako
