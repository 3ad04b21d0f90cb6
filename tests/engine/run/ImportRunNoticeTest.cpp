// What a run tells at its end: how many files it transferred, and which it did not and why.
#include "engine/run/ImportRunFixture.h"

#include <sys/stat.h>

namespace pixbako::test {
namespace {

// Files refused for every reason at once: a name another file of the run took, a replacement
// declined, a failed transfer and a FIFO under a picture's name. The notice said "5件のファイル
// を処理しました" and, after a move, the card still held four of them.
TEST_F(ImportRunTest, NoticeCountsTheFilesNotTransferredByReason) {
    ImportSettings& s = window.settings;
    s.numbering = false; // A and B both become 20050312_.JPG
    s.overwriteConfirmation = true;
    window.onTransfer = [](const TransferRequest& request,
                           std::size_t) -> std::optional<TransferResult> {
        if (request.source.ends_with("/D.JPG"))
            return TransferResult::of(TransferError::DiskFull);
        return std::nullopt;
    };

    for (bool copy : {false, true}) {
        SCOPED_TRACE(copy ? "copy" : "move");
        s.copy = copy;
        window.completions.clear();
        window.boxes.clear();
        std::filesystem::remove_all(in);
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(in);
        jpeg("A.JPG", "2005:03:12 10:00:00");
        jpeg("B.JPG", "2005:03:12 11:00:00");
        jpeg("C.JPG", "2005:03:13 10:00:00");
        jpeg("D.JPG", "2005:03:14 10:00:00");
        ASSERT_EQ(::mkfifo((in + "/E.JPG").c_str(), 0600), 0);
        std::filesystem::create_directories(out + "/2005_03_13");
        writeTestFile(out + "/2005_03_13/20050313_.JPG", "an earlier picture");
        window.overwriteAnswers = {OverwriteAnswer::No};

        run.startOrStopRun(RunSender::Interactive);

        ASSERT_EQ(window.completions.size(), 1u);
        const std::string did = copy ? "コピー" : "移動";
        std::string expected = "1件のファイルを" + did + "しました\r\n4件のファイルは" + did +
                               "していません\r\n"
                               "　保存先に同じ名前のファイルがある: 1件\r\n"
                               "　置き換えを取りやめた: 1件\r\n"
                               "　通常のファイルではない: 1件\r\n"
                               "　エラー: 1件";
        if (!copy)
            expected += "\r\n移動していないファイルは元の場所に残っています";
        EXPECT_EQ(window.completions[0].notice, expected);
        EXPECT_EQ(run.lastReport().transferred, 1u);
        EXPECT_EQ(run.lastReport().failedTransfers, 4u);
        EXPECT_FALSE(run.lastReport().allTransferred());
        // The FIFO is reported like a transfer that failed, naming it, and never opened.
        const Strings texts = window.boxTexts();
        EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                                [&](const std::string& t) {
                                    return t.find("通常のファイルではありません") !=
                                               std::string::npos &&
                                           t.ends_with("\r\n\r\n" + in + "/E.JPG");
                                }),
                  1);
    }
}

// A cancel in the progress window said "処理を中断しました\r\n3件のファイルを処理しました" when one
// of the three rows before it had failed: after a move that file is still on the card.
TEST_F(ImportRunTest, CancelNoticeCountsOnlyTheFilesTransferredBeforeIt) {
    window.onTransfer = [](const TransferRequest& request,
                           std::size_t) -> std::optional<TransferResult> {
        if (request.source.ends_with("/B.JPG"))
            return TransferResult::of(TransferError::DiskFull);
        if (request.source.ends_with("/D.JPG"))
            return kCancelled; // Cancel in the progress window
        return std::nullopt;
    };
    for (bool copy : {false, true}) {
        SCOPED_TRACE(copy ? "copy" : "move");
        window.settings.copy = copy;
        window.boxes.clear();
        std::filesystem::remove_all(in);
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(in);
        for (const char* name : {"A.JPG", "B.JPG", "C.JPG", "D.JPG", "E.JPG"})
            jpeg(name, std::string("2005:03:12 10:00:0") + name[0]);

        run.startOrStopRun(RunSender::Interactive);

        const std::string did = copy ? "コピー" : "移動";
        std::string expected = "処理を中断しました\r\n2件のファイルを" + did +
                               "しました\r\n1件のファイルは" + did +
                               "していません\r\n　エラー: 1件";
        if (!copy)
            expected += "\r\n移動していないファイルは元の場所に残っています";
        EXPECT_EQ(window.boxTexts(), Strings{expected});
        EXPECT_EQ(filesUnder(out).size(), 2u);
    }
}

// All transferred: the designed text; otherwise only the reasons that occurred get a line.
TEST(CompletionNoticeText, OnlyReasonsThatOccurGetALine) {
    RunSummary summary;
    summary.reachedEnd = true;
    EXPECT_EQ(completionNoticeText(summary, 0, true), "0件のファイルを処理しました");
    summary.transferred = 7;
    summary.failedTransfers = 3;
    summary.declined = 1;
    EXPECT_EQ(completionNoticeText(summary, 10, false),
              "7件のファイルをコピーしました\r\n3件のファイルはコピーしていません\r\n"
              "　置き換えを取りやめた: 1件\r\n　エラー: 2件");
}

} // namespace
} // namespace pixbako::test
