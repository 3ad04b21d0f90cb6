// The one place where a failed transfer becomes text for the user, and where the system's
// error numbers are sorted into the kinds of failure the user can act on.
#include "platform/FileTransferSteps.h"

#include <cerrno>
#include <cstring>

namespace pixbako {

namespace transfer {

TransferError classifyErrno(int errnum, TransferError otherwise) {
    switch (errnum) {
    case EACCES:
    case EPERM:
        return TransferError::AccessDenied;
    case EROFS:
        return TransferError::ReadOnlyDisk;
    case ENOSPC:
    case EDQUOT:
        return TransferError::DiskFull;
    case EFBIG: // the file system's (or the process's) largest file, e.g. 4 GiB on FAT32
        return TransferError::FileTooLarge;
    case EMFILE: // this program's own limit, no fault of the card or the disk
    case ENFILE:
        return TransferError::TooManyOpenFiles;
    default:
        return otherwise;
    }
}

TransferFailure failureFromErrno(int errnum, TransferError otherwise, const std::string& path) {
    return {classifyErrno(errnum, otherwise), errnum, path};
}

} // namespace transfer

namespace {

const char* reasonText(FileOperation operation, TransferError error) {
    bool copy = operation == FileOperation::Copy;
    switch (error) {
    case TransferError::Skipped:
        return "ファイルは置き換えられませんでした";
    case TransferError::SourceMissing:
        return "元のファイルが見つかりません";
    case TransferError::SourceNotFile:
        return "元のファイルは通常のファイルではありません";
    case TransferError::SameFile:
        return copy ? "コピー元とコピー先が同じファイルです" : "移動元と移動先が同じファイルです";
    case TransferError::DestinationFolderMissing:
        return "保存先のフォルダが見つかりません";
    case TransferError::DestinationExists:
        return "保存先に同じ名前のファイルが既にあります";
    case TransferError::DestinationIsFolder:
        return "保存先に同じ名前のフォルダがあります";
    case TransferError::AccessDenied:
        return "アクセスが拒否されました";
    case TransferError::ReadOnlyDisk:
        return "ディスクが書き込み禁止になっています";
    case TransferError::DiskFull:
        return "ディスクの空き領域が足りません";
    case TransferError::FileTooLarge:
        return "ファイルが大きすぎて保存先に書き込めません";
    case TransferError::ReadFailed:
        return "元のファイルを読み込めません";
    case TransferError::WriteFailed:
        return "保存先に書き込めません";
    case TransferError::FlushFailed:
        return "保存先のディスクへの書き込みを完了できません";
    case TransferError::VerifyFailed:
        return "書き込んだファイルの内容が元のファイルと一致しません\r\n"
               "元のファイルは削除していません";
    case TransferError::SourceChanged:
        return "処理中に元のファイルが変更されました";
    case TransferError::SourceNotRemoved:
        return "ファイルは保存先にコピーしましたが、元のファイルを削除できません";
    case TransferError::TooManyOpenFiles:
        return "同時に開けるファイルの数の上限に達しました";
    case TransferError::Cancelled:
        return "処理は取り消されました";
    }
    return "不明なエラーです";
}

// The symbolic name (ENOSPC) is the same in every locale and tells support what happened.
void appendErrorName(std::string& text, int errnum) {
    if (errnum == 0)
        return;
    const char* name = ::strerrorname_np(errnum);
    text += "\r\n(";
    text += name ? name : "errno " + std::to_string(errnum);
    text += ")";
}

} // namespace

std::string transferErrorText(FileOperation operation, TransferError error, int errnum) {
    std::string text = operation == FileOperation::Copy ? "ファイルをコピーできません"
                                                        : "ファイルを移動できません";
    text += "\r\n";
    text += reasonText(operation, error);
    appendErrorName(text, errnum);
    return text;
}

std::string transferWarningText(int errnum) {
    std::string text =
        "ファイルを移動しました\r\n"
        "元のファイルを削除しましたが、その削除がディスクに書き込まれたか確認できません";
    appendErrorName(text, errnum);
    return text;
}

std::string overwriteQuestionText(const std::string& destination) {
    return "このフォルダには既に同じ名前のファイルがあります。\r\n置き換えますか?\r\n" +
           destination;
}

} // namespace pixbako
