#pragma once
// What the benchmarks put where the program has its window: transfer dialogs and a run's
// window that ask nothing and show nothing, and report anything unexpected on standard error.
#include "engine/run/RunWindow.h"
#include "platform/FileTransfer.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace pixbako::bench {

// Never asked to replace (nothing exists at a destination); failures go to standard error.
class SilentDialogs : public ITransferDialogs {
public:
    OverwriteAnswer askOverwrite(const std::string&) override { return OverwriteAnswer::No; }
    void showError(const std::string& file, const std::string& reason) override {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), reason.c_str());
    }
    void progressStart(const std::string&, std::uint64_t) override {}
    bool progressUpdate(std::uint64_t) override { return true; }
    void progressEnd() override {}
};

// A run's window that shows nothing and runs with `settings`; how it transfers is the
// benchmark's to say.
class SilentRunWindow : public RunWindowWithoutView {
public:
    ImportSettings settings;
    void beep(BeepKind) override {}
    BoxAnswer messageBox(const std::string& text, BoxIcon, BoxButtons) override {
        std::fprintf(stderr, "unexpected message: %s\n", text.c_str());
        return BoxAnswer::Ok;
    }
    void processEvents() override {}
    bool fileSelectionTabActive() override { return false; }
    void activateFileSelectionTab() override {}
    void saveSettings() override {}
    ImportSettings importSettings() override { return settings; }
    void completionSequence(const RunCompletion&) override {}
    void saveStoppedRunLog(const RunCompletion&) override {}
    void closeWindow() override {}
};

} // namespace pixbako::bench
