// bench_transfer copy|move SOURCE_FOLDER DESTINATION_FOLDER
//
// Transfers every regular file of the source folder into the destination folder as the import
// run does (files begun while the flushes of earlier ones complete, finished in order and
// together where their flushes are over), and prints the time taken. Used by
// compare-transfer.sh to hold our durable transfer against cp + sync and mv.
#include "SilentWindows.h"
#include "platform/FileTransfer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using namespace pixbako;

using bench::SilentDialogs;

std::vector<std::string> regularFiles(const std::string& folder, std::uint64_t& bytes) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (dirent* entry = ::readdir(dir)) {
        if (entry->d_type == DT_DIR)
            continue;
        // The generated files are all of one size, so only the first is looked at; the
        // timed reference tools don't stat every file either.
        if (names.empty()) {
            struct stat st {};
            std::string path = folder + "/" + entry->d_name;
            if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
                continue;
            bytes = static_cast<std::uint64_t>(st.st_size);
        }
        names.push_back(entry->d_name);
    }
    bytes *= names.size();
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "copy") != 0 && std::strcmp(argv[1], "move") != 0)) {
        std::fprintf(stderr, "usage: %s copy|move SOURCE_FOLDER DESTINATION_FOLDER\n", argv[0]);
        return 2;
    }
    const FileOperation operation =
        std::strcmp(argv[1], "copy") == 0 ? FileOperation::Copy : FileOperation::Move;
    const std::string from = argv[2];
    const std::string to = argv[3];
    std::uint64_t bytes = 0;
    const std::vector<std::string> names = regularFiles(from, bytes);

    SilentDialogs dialogs;
    int failures = 0;
    auto start = std::chrono::steady_clock::now();
    std::deque<TransferInFlight> pending;
    std::deque<std::uint64_t> sizes; // of the copies in pending
    std::uint64_t pendingBytes = 0;
    auto finishFirst = [&] {
        std::vector<TransferInFlight*> transfers;
        for (TransferInFlight& transfer : pending)
            transfers.push_back(&transfer);
        const std::size_t finished = finishTogether(
            transfers, false, [] { return false; },
            [&](std::size_t, TransferResult result) { failures += result.done() ? 0 : 1; });
        for (std::size_t i = 0; i < finished; ++i) {
            pendingBytes -= sizes.front();
            sizes.pop_front();
            pending.pop_front();
        }
    };
    for (const auto& name : names) {
        TransferRequest request{operation, from + "/" + name, to + "/" + name, false, false};
        while (!pending.empty() && (pending.size() >= kTransfersInFlight ||
                                    pendingBytes >= kBytesInFlight || !pending.back().overlaps()))
            finishFirst();
        pending.push_back(beginTransfer(request, dialogs));
        sizes.push_back(pending.back().bytes());
        pendingBytes += sizes.back();
    }
    while (!pending.empty())
        finishFirst();
    std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;

    std::printf("%s: %zu files, %llu bytes, %.3f s, %.1f MiB/s, %d failures\n", argv[1],
                names.size(), static_cast<unsigned long long>(bytes), seconds.count(),
                seconds.count() > 0 ? bytes / seconds.count() / (1 << 20) : 0.0, failures);
    return failures == 0 ? 0 : 1;
}
