#include "ui/FileListModel.h"

#include <array>

namespace pixbako {
namespace {

const std::array<const char*, FileListModel::ColumnCount> kHeadings = {
    "旧ファイル名", "新フォルダ名", "タイムスタンプ", "新ファイル名", "拡張子", "読込みフォルダ"};

std::string cellText(const PlannedFile& row, int column) {
    switch (column) {
    case FileListModel::OldNameColumn:
        return row.name;
    case FileListModel::NewFolderColumn:
        return folderLevelsText(row.newFolderLevels);
    case FileListModel::TimeStampColumn:
        return stampText(row.shotDate);
    case FileListModel::NewNameColumn:
        return row.newName;
    case FileListModel::ExtensionColumn:
        return row.extension;
    case FileListModel::SourceFolderColumn:
        return row.sourceFolder;
    default:
        return {};
    }
}

} // namespace

FileListModel::FileListModel(const std::vector<PlannedFile>& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), rows_(static_cast<int>(list.size())) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || frozen_ || !index.isValid())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    if (row >= list_.size())
        return QString();
    return QString::fromStdString(cellText(list_[row], index.column()));
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromUtf8(kHeadings[static_cast<std::size_t>(section)]);
}

void FileListModel::setFrozen(bool frozen) {
    frozen_ = frozen;
}

// Rows are inserted and removed rather than the model reset, so that the view keeps its column
// widths and hidden columns.
void FileListModel::refresh() {
    const int rows = static_cast<int>(list_.size());
    if (rows > rows_) {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
    } else if (rows < rows_) {
        beginRemoveRows({}, rows, rows_ - 1);
        rows_ = rows;
        endRemoveRows();
    }
    if (rows_ > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
}

} // namespace pixbako
