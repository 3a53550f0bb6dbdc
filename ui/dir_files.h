#pragma once

#include <QSortFilterProxyModel>

class QFileSystemModel;

namespace auxpad::ui {

// The ordinary files of one folder, as File1 and File2 list them: no name filter, nothing
// hidden, no sub-folders, kept up to date while files come and go.
class DirFiles final : public QSortFilterProxyModel {
public:
    explicit DirFiles(QObject* parent = nullptr);

    // Reads `folder` (loading goes on in the background) and returns the index whose
    // children are its files.
    QModelIndex showFolder(const QString& folder);
    QString fileName(const QModelIndex& index) const;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override;

private:
    QFileSystemModel* files_;
    QString folder_;
};

} // namespace auxpad::ui
