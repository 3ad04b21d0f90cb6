// The transfer's behaviour on a healthy file system: what arrives, what stays, what is asked.
#include "platform/FileTransfer.h"

#include "FileTransferTestSupport.h"

#include <gtest/gtest.h>

namespace pixbako {
namespace {

using namespace transfer_test;

constexpr std::size_t kMiB = 1 << 20;

class FileTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.ok());
        ASSERT_EQ(::mkdir(src().c_str(), 0755), 0);
        ASSERT_EQ(::mkdir(dst().c_str(), 0755), 0);
    }
    std::string src(const std::string& name = {}) const {
        return root / (name.empty() ? "src" : "src/" + name);
    }
    std::string dst(const std::string& name = {}) const {
        return root / (name.empty() ? "dst" : "dst/" + name);
    }
    static TransferResult run(ScriptedDialogs& dialogs, FileOperation operation,
                              const std::string& from, const std::string& to, bool confirm = false,
                              bool mayReplace = true) {
        return transferFile({operation, from, to, confirm, mayReplace}, dialogs);
    }

    ScratchFolder root;
};

const char* name(FileOperation operation) {
    return operation == FileOperation::Copy ? "copy" : "move";
}

TEST_F(FileTransferTest, KeepsBytesTimesAndPermissionBits) {
    struct Case {
        FileOperation operation;
        std::size_t size;
    };
    const Case cases[] = {
        {FileOperation::Copy, 0},    {FileOperation::Copy, 1},
        {FileOperation::Copy, kMiB}, {FileOperation::Copy, 3 * kMiB + kMiB / 2},
        {FileOperation::Move, 0},    {FileOperation::Move, 3 * kMiB + kMiB / 2},
    };
    std::vector<std::string> arrived;
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(name(c.operation)) + " of " + std::to_string(c.size));
        std::string from = src("IMG_" + std::to_string(row) + ".JPG");
        std::string to = dst("P" + std::to_string(row++) + ".jpg");
        FileState source = makeFile(from, c.size, row, kShotTime, 0640);
        ScriptedDialogs dialogs;
        // The bytes read for the copy are handed on once, in order; a rename reads none.
        std::string read;
        TransferRequest request{c.operation, from, to};
        request.onSourceRead = [&](const char* data, std::size_t size) { read.append(data, size); };

        EXPECT_EQ(transferFile(request, dialogs), kDone);
        EXPECT_EQ(read, c.operation == FileOperation::Copy ? source.bytes : std::string());

        struct stat st {};
        ASSERT_EQ(::stat(to.c_str(), &st), 0); // before reading the copy moves its access time
        EXPECT_EQ(checkFile(to, source), "");
        EXPECT_EQ(st.st_atim.tv_sec, kOldAccess.tv_sec);
        EXPECT_EQ(st.st_atim.tv_nsec, kOldAccess.tv_nsec);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        if (c.operation == FileOperation::Copy) {
            EXPECT_EQ(checkFile(from, source), "");
            EXPECT_EQ(dialogs.progressStarts, 1);
            EXPECT_EQ(dialogs.total, c.size);
            EXPECT_EQ(dialogs.lastDone, c.size);
        } else {
            EXPECT_EQ(checkAbsent(from), "");
        }
        EXPECT_EQ(dialogs.progressEnds, dialogs.progressStarts);
        EXPECT_TRUE(dialogs.errors.empty());
        arrived.push_back(to.substr(dst().size() + 1));
        EXPECT_EQ(checkEntries(dst(), arrived), "") << "no temporary file is left behind";
    }
}

TEST_F(FileTransferTest, SameFileThroughAnyPathChangesNothing) {
    FileState source = makeFile(src("a.jpg"), 200000, 1);
    ASSERT_EQ(::link(src("a.jpg").c_str(), src("hard.jpg").c_str()), 0);
    ASSERT_EQ(::symlink(src().c_str(), (root / "alias").c_str()), 0);
    ASSERT_EQ(::symlink(src("a.jpg").c_str(), dst("link.jpg").c_str()), 0);
    const std::string destinations[] = {
        src("a.jpg"), root / "src/./a.jpg", src("hard.jpg"), root / "alias/a.jpg", dst("link.jpg"),
    };
    for (FileOperation operation : {FileOperation::Copy, FileOperation::Move}) {
        for (const auto& to : destinations) {
            SCOPED_TRACE(std::string(name(operation)) + " to " + to);
            ScriptedDialogs dialogs;
            dialogs.answers = {OverwriteAnswer::Yes};

            EXPECT_EQ(run(dialogs, operation, src("a.jpg"), to, true),
                      code(TransferError::SameFile));

            EXPECT_TRUE(dialogs.questions.empty()) << "nothing to replace";
            ASSERT_EQ(dialogs.errors.size(), 1u);
            EXPECT_EQ(dialogs.errors[0].first, to);
            EXPECT_EQ(checkFile(src("a.jpg"), source), "");
            struct stat st {};
            ASSERT_EQ(::stat(src("a.jpg").c_str(), &st), 0);
            EXPECT_EQ(st.st_nlink, 2u);
            EXPECT_EQ(checkEntries(src(), {"a.jpg", "hard.jpg"}), "");
            EXPECT_EQ(checkEntries(dst(), {"link.jpg"}), "");
        }
    }
}

TEST_F(FileTransferTest, OverwriteQuestionDecidesAboutAnExistingFile) {
    struct Case {
        FileOperation operation;
        bool confirm;
        OverwriteAnswer answer;
        TransferResult expected;
    };
    const TransferResult skipped = code(TransferError::Skipped);
    const Case cases[] = {
        {FileOperation::Copy, true, OverwriteAnswer::Yes, kDone},
        {FileOperation::Copy, true, OverwriteAnswer::No, skipped},
        {FileOperation::Copy, true, OverwriteAnswer::Cancel, kCancelled},
        {FileOperation::Copy, false, OverwriteAnswer::Cancel, kDone},
        {FileOperation::Move, true, OverwriteAnswer::Yes, kDone},
        {FileOperation::Move, true, OverwriteAnswer::No, skipped},
        {FileOperation::Move, true, OverwriteAnswer::Cancel, kCancelled},
        {FileOperation::Move, false, OverwriteAnswer::Cancel, kDone},
    };
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(name(c.operation)) + " row " + std::to_string(row));
        std::string from = src(std::to_string(row) + ".jpg");
        std::string to = dst(std::to_string(row++) + ".jpg");
        FileState source = makeFile(from, 300000, 1, kShotTime, 0640);
        FileState old = makeFile(to, 1000, 2, kOtherTime, 0644);
        ScriptedDialogs dialogs;
        dialogs.answers = {c.answer};

        EXPECT_EQ(run(dialogs, c.operation, from, to, c.confirm), c.expected);

        EXPECT_EQ(dialogs.questions,
                  c.confirm ? std::vector<std::string>{to} : std::vector<std::string>{});
        EXPECT_TRUE(dialogs.errors.empty()) << "declining is no error";
        struct stat st {};
        ASSERT_EQ(::stat(to.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.expected.done() ? 0640u : 0644u);
        if (c.expected.done()) {
            EXPECT_EQ(checkFile(to, source), "");
            EXPECT_EQ(c.operation == FileOperation::Copy ? checkFile(from, source)
                                                         : checkAbsent(from),
                      "");
        } else {
            EXPECT_EQ(checkFile(to, old), "");
            EXPECT_EQ(checkFile(from, source), "");
        }
    }
    EXPECT_EQ(checkEntries(
                  dst(), {"0.jpg", "1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg", "6.jpg", "7.jpg"}),
              "");
}

TEST_F(FileTransferTest, NameWrittenEarlierInTheRunIsNeverReplaced) {
    int row = 0;
    for (FileOperation operation : {FileOperation::Copy, FileOperation::Move}) {
        for (bool confirm : {false, true}) {
            SCOPED_TRACE(std::string(name(operation)) + (confirm ? " asking" : " silent"));
            std::string from = src(std::to_string(row) + ".jpg");
            std::string to = dst(std::to_string(row++) + ".jpg");
            FileState source = makeFile(from, 5000, 1);
            FileState earlier = makeFile(to, 7000, 2, kOtherTime);
            ScriptedDialogs dialogs;
            dialogs.answers = {OverwriteAnswer::Yes};

            EXPECT_EQ(run(dialogs, operation, from, to, confirm, false),
                      code(TransferError::DestinationExists));

            EXPECT_TRUE(dialogs.questions.empty());
            ASSERT_EQ(dialogs.errors.size(), 1u);
            EXPECT_EQ(dialogs.errors[0].first, to);
            EXPECT_EQ(checkFile(to, earlier), "");
            EXPECT_EQ(checkFile(from, source), "");
        }
    }
}

TEST_F(FileTransferTest, MissingOrWrongKindOfPathIsAnErrorThatTouchesNothing) {
    FileState source = makeFile(src("a.jpg"), 4000, 1);
    ASSERT_EQ(::mkdir(dst("folder.jpg").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(src("sub").c_str(), 0755), 0);
    struct Case {
        std::string from, to;
        TransferError expected;
        std::string shownPath;
    };
    const Case cases[] = {
        {src("gone.jpg"), dst("gone.jpg"), TransferError::SourceMissing, src("gone.jpg")},
        {src("a.jpg"), root / "nowhere/a.jpg", TransferError::DestinationFolderMissing,
         root / "nowhere"},
        {src("a.jpg"), src("a.jpg/x.jpg"), TransferError::DestinationFolderMissing, src("a.jpg")},
        {src("a.jpg"), dst("folder.jpg"), TransferError::DestinationIsFolder, dst("folder.jpg")},
        {src("sub"), dst("sub"), TransferError::SourceNotFile, src("sub")},
    };
    for (FileOperation operation : {FileOperation::Copy, FileOperation::Move}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(name(operation)) + " " + c.from + " -> " + c.to);
            ScriptedDialogs dialogs;

            EXPECT_EQ(run(dialogs, operation, c.from, c.to), code(c.expected));

            ASSERT_EQ(dialogs.errors.size(), 1u);
            EXPECT_EQ(dialogs.errors[0].first, c.shownPath);
            EXPECT_EQ(dialogs.errors[0].second, transferErrorText(operation, c.expected, 0));
            EXPECT_EQ(checkFile(src("a.jpg"), source), "");
            EXPECT_EQ(checkEntries(dst(), {"folder.jpg"}), "");
            EXPECT_EQ(checkEntries(src(), {"a.jpg", "sub"}), "");
        }
    }
}

TEST_F(FileTransferTest, CancelDuringCopyLeavesNoTraceAndKeepsTheOldFile) {
    FileState source = makeFile(src("big.jpg"), 5 * kMiB, 1);
    FileState old = makeFile(dst("old.jpg"), 1000, 2, kOtherTime);
    for (const std::string target : {"new.jpg", "old.jpg"}) {
        SCOPED_TRACE(target);
        ScriptedDialogs dialogs;
        int updates = 0;
        dialogs.onProgress = [&](std::uint64_t) { return ++updates < 2; };

        EXPECT_EQ(run(dialogs, FileOperation::Copy, src("big.jpg"), dst(target)), kCancelled);

        EXPECT_EQ(updates, 2);
        EXPECT_TRUE(dialogs.errors.empty());
        EXPECT_EQ(dialogs.progressEnds, 1);
        EXPECT_EQ(checkFile(src("big.jpg"), source), "");
        EXPECT_EQ(checkFile(dst("old.jpg"), old), "");
        EXPECT_EQ(checkEntries(dst(), {"old.jpg"}), "");
    }
}

// A file that appears under the destination name while the copy is being written must be
// treated as an existing file, not silently replaced.
TEST_F(FileTransferTest, NameTakenWhileCopyingIsNotSilentlyReplaced) {
    struct Case {
        bool confirm;
        bool mayReplace;
        std::deque<OverwriteAnswer> answers;
        TransferResult expected;
        bool replaced;
    };
    const Case cases[] = {
        {false, false, {}, code(TransferError::DestinationExists), false},
        {true, false, {}, code(TransferError::DestinationExists), false},
        {true, true, {OverwriteAnswer::No}, code(TransferError::Skipped), false},
        {true, true, {OverwriteAnswer::Cancel}, kCancelled, false},
        {true, true, {OverwriteAnswer::Yes}, kDone, true},
    };
    FileState source = makeFile(src("a.jpg"), 3 * kMiB, 1);
    int row = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(row);
        std::string to = dst(std::to_string(row++) + ".jpg");
        FileState intruder{patternBytes(500, 7), kOtherTime};
        ScriptedDialogs dialogs;
        dialogs.answers = c.answers;
        dialogs.onProgress = [&](std::uint64_t) {
            if (!present(to)) {
                writeFile(to, intruder.bytes);
                setTimes(to, intruder.mtime);
            }
            return true;
        };

        EXPECT_EQ(run(dialogs, FileOperation::Copy, src("a.jpg"), to, c.confirm, c.mayReplace),
                  c.expected);

        EXPECT_EQ(dialogs.questions.size(), c.answers.size());
        EXPECT_EQ(checkFile(to, c.replaced ? source : intruder), "");
        EXPECT_EQ(checkFile(src("a.jpg"), source), "");
        EXPECT_EQ(checkEntries(dst(), {to.substr(dst().size() + 1)}), "");
        ::unlink(to.c_str());
    }
}

TEST(FileTransferText, NamesOperationReasonAndSystemError) {
    EXPECT_EQ(transferErrorText(FileOperation::Copy, TransferError::DiskFull, ENOSPC),
              "ファイルをコピーできません\r\nディスクの空き領域が足りません\r\n(ENOSPC)");
    EXPECT_EQ(transferErrorText(FileOperation::Move, TransferError::SameFile, 0),
              "ファイルを移動できません\r\n移動元と移動先が同じファイルです");
    EXPECT_EQ(overwriteQuestionText("/save/2004/a.jpg"),
              "このフォルダには既に同じ名前のファイルがあります。\r\n置き換えますか?\r\n"
              "/save/2004/a.jpg");
}

} // namespace
} // namespace pixbako
