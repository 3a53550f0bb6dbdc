#include "ui/dir_files.h"

#include <QFileSystemModel>

namespace auxpad::ui {

DirFiles::DirFiles(QObject* parent) : QSortFilterProxyModel(parent), files_(new QFileSystemModel(this))
{
    files_->setFilter(QDir::Files);
    setSourceModel(files_);
}

QModelIndex DirFiles::showFolder(const QString& folder)
{
    const QModelIndex source = files_->setRootPath(folder);
    folder_ = folder;
    invalidateFilter();
    return mapFromSource(source);
}

QString DirFiles::fileName(const QModelIndex& index) const
{
    return files_->fileName(mapToSource(index));
}

bool DirFiles::filterAcceptsRow(int row, const QModelIndex& parent) const
{
    // The file system model keeps every folder it was once pointed at in its parent's
    // listing, whatever its filter says; those are dropped here. Rows on the way down to
    // the folder must stay, or the folder itself could not be reached.
    if (files_->filePath(parent) != folder_)
        return true;
    return !files_->isDir(files_->index(row, 0, parent));
}

} // namespace auxpad::ui
