#pragma once
// The processed-file list as a table model over the import run's planned files, which the run
// owns and changes. Its columns: old name, new folder, time stamp, new name, extension, source
// folder (the view hides the time stamp and the source folder). The model never copies rows: the
// view asks only for the rows it shows, so a list of 100,000 files costs nothing until it is
// scrolled to.
//
// While the run builds the list the model is frozen (setFrozen(true)): it reads nothing from
// the list and keeps the row count it took at the last refresh(). refresh() takes the list as
// it is now; the row count changes only there.
#include "engine/run/PlannedFile.h"

#include <QAbstractTableModel>

namespace pixbako {

class FileListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column : int {
        OldNameColumn,
        NewFolderColumn,
        TimeStampColumn, // hidden in the view
        NewNameColumn,
        ExtensionColumn,
        SourceFolderColumn, // hidden in the view
        ColumnCount
    };

    explicit FileListModel(const std::vector<PlannedFile>& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setFrozen(bool frozen);
    bool frozen() const { return frozen_; }
    void refresh();

private:
    const std::vector<PlannedFile>& list_;
    int rows_ = 0;
    bool frozen_ = false;
};

} // namespace pixbako
