#include "ui/FileListModel.h"

namespace pixbako {

FileListModel::FileListModel(const FileList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), rows_(static_cast<int>(fileRowCount(list))) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kFileListColumns);
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || frozen_ || !index.isValid())
        return {};
    // Model row 0 is the list's row 1: the list's row 0 holds the headings.
    const std::string& text = cellText(list_, static_cast<std::size_t>(index.row()) + 1,
                                       static_cast<std::size_t>(index.column()));
    return QString::fromStdString(text);
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(kFileListColumns))
        return QAbstractTableModel::headerData(section, orientation, role);
    static const FileListRow headings = fileListHeadings();
    return QString::fromStdString(headings[static_cast<std::size_t>(section)]);
}

void FileListModel::setFrozen(bool frozen) {
    frozen_ = frozen;
}

// Rows are inserted and removed rather than the model reset, so that the view keeps its column
// widths and hidden columns.
void FileListModel::refresh() {
    const int rows = static_cast<int>(fileRowCount(list_));
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
