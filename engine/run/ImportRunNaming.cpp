// The naming stage of the import run: folders, sequence numbers, counter files, new names.
#include "engine/naming/Names.h"
#include "engine/naming/PathCheck.h"
#include "engine/naming/SequenceStyle.h"
#include "engine/run/CounterFile.h"
#include "engine/run/ImportRun.h"
#include "platform/Paths.h"

#include <limits>

namespace pixbako {
namespace {

// The counter file of the numbering group being named. It is written once, when the group
// ends or the run stops inside it, and then holds exactly what writing it at every row of the
// group would have left. All counter files are written before the first transfer; the run
// sets them back afterwards where numbers went unused (settleCounterFiles). A limit stop
// writes nothing more: no file has been transferred yet, so every counter goes back to what it
// held before the run, also one that an earlier group of this run has written already.
struct PendingCounter {
    bool due = false;
    std::string path;
    CounterRecord record;
};

std::string limitMessage(std::int64_t limit) {
    return "連番が" + std::to_string(limit) + "を越えます" + "\r\n" + "処理を中止します";
}

} // namespace

ImportRun::Outcome ImportRun::nameRows() {
    const SequenceStyle style = sequenceStyleFor(settings_.sequenceStyleIndex);
    const std::int64_t limit = sequenceLimit(style);
    const FileNameFields fields{settings_.filePrefix, settings_.fileDatePattern,
                                settings_.middleText, settings_.numbering, style};
    const CounterRecord naming{0, settings_.sequenceStyleIndex, settings_.fileDatePattern,
                               settings_.filePrefix, settings_.middleText};
    counterNaming_ = naming;
    std::size_t counter = 0; // the group's index into counters_

    PendingCounter pending;
    std::int64_t number = 0;

    auto writePending = [&]() -> bool {
        if (!pending.due)
            return true;
        pending.due = false;
        AtomicWriteResult written = writeCounterFile(pending.path, pending.record);
        if (!written.ok)
            showError(written.message);
        return written.ok;
    };
    auto limitStop = [&] {
        pending.due = false;
        window_.beep(BeepKind::Hand);
        window_.messageBox(limitMessage(limit), BoxIcon::Error, BoxButtons::Ok);
        abort_.set();
        return Outcome::Stop;
    };

    rowNumbers_.assign(list_.size(), std::nullopt);
    for (std::size_t r = 0; r < list_.size(); ++r) {
        PlannedFile& row = list_[r];
        const std::string folder = destinationFolder(row);
        // Made before naming began where it could be; one that can't be made shows up as the
        // transfer's error for its files, or as the error of its counter file below; both name the
        // cause.
        FolderCreateError folderError;
        const bool folderMade = createFolderWithParents(folder, &folderError);

        if (!settings_.rename) {
            // The old name, extension case included; no number, no counter file, no limit.
            row.newName = row.name;
            continue;
        }
        if (checkAbort()) {
            writePending();
            return Outcome::Abort;
        }

        // Groups are runs of consecutive rows with the same new folder.
        const bool firstOfGroup = r == 0 || row.newFolderLevels != list_[r - 1].newFolderLevels;
        if (firstOfGroup) {
            if (!writePending())
                return Outcome::Stop;
            number = settings_.startNumber;
            bool continued = false;
            if (settings_.autoContinue) {
                // Its counter file can be neither read nor written: stop before any transfer,
                // as for any counter file that can't be written, but with the real cause.
                if (!folderMade) {
                    showError(folderCreateErrorText(folderError));
                    return Outcome::Stop;
                }
                const std::string path = counterFilePath(folder);
                CounterReadResult read = readCounterFile(path);
                if (!read.ok) {
                    showError(read.message);
                    return Outcome::Stop;
                }
                const std::int64_t last = read.record.lastNumber;
                // A folder without a counter file has given no number yet: it starts at the
                // start number even when the current naming equals the missing-key defaults.
                if (read.exists && read.record.sameNaming(naming)) {
                    number = last == std::numeric_limits<std::int64_t>::max() ? last : last + 1;
                    continued = true;
                }
                pending = {true, path, naming};
                counter = useCounterFile(path);
            }
            // The start number is the group's first number whatever its width (a settings file
            // can hold 101 for two digits). A number continued from the counter file can lie
            // beyond the limit too; it would give a name wider than the style. Stop before
            // anything is written for it.
            if (continued && number > limit)
                return limitStop();
        } else if (row.shot != list_[r - 1].shot) {
            ++number;
            if (number > limit)
                return limitStop();
        } // the files of one shot share its number
        pending.record.lastNumber = number;
        if (settings_.autoContinue)
            rowNumbers_[r] = RowNumber{counter, number};

        row.newName =
            newFileName(fields, namingDate(row.shotDate), number, row.extension, dateTexts_);
        if (!checkNewName(row.newName, kCheckFileName)) {
            writePending();
            return Outcome::Stop;
        }
    }
    return writePending() ? Outcome::Done : Outcome::Stop;
}

} // namespace pixbako
