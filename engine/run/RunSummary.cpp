#include "engine/run/RunSummary.h"

namespace pixbako {

std::string completionNoticeText(const RunSummary& summary, std::size_t rows, bool move) {
    if (summary.failedTransfers == 0 && summary.alreadyImported == 0)
        return std::to_string(rows) + "件のファイルを処理しました";
    const std::string done = move ? "移動" : "コピー";
    std::string text = std::to_string(summary.transferred) + "件のファイルを" + done + "しました";
    if (summary.alreadyImported > 0)
        text += "\r\n" + std::to_string(summary.alreadyImported) +
                "件のファイルは取り込み済みのため" + done + "していません";
    if (summary.failedTransfers == 0)
        return text + (move ? "\r\n移動していないファイルは元の場所に残っています" : "");
    text +=
        "\r\n" + std::to_string(summary.failedTransfers) + "件のファイルは" + done + "していません";
    auto reason = [&](std::size_t count, const char* why) {
        if (count > 0)
            text += "\r\n　" + std::string(why) + ": " + std::to_string(count) + "件";
    };
    reason(summary.nameTaken, "保存先に同じ名前のファイルがある");
    reason(summary.declined, "置き換えを取りやめた");
    reason(summary.notFiles, "通常のファイルではない");
    reason(summary.errors(), "エラー");
    // The card must not be formatted yet: these files exist nowhere else. They came from the
    // read-in folder or, in selection mode, from wherever the thumbnails were read.
    if (move)
        text += "\r\n移動していないファイルは元の場所に残っています";
    return text;
}

} // namespace pixbako
