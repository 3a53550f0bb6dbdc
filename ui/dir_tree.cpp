#include "ui/dir_tree.h"

#include <QDir>
#include <QEvent>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QScrollBar>

namespace auxpad::ui {

DirTree::DirTree(QWidget* parent) : QTreeView(parent), model_(new QFileSystemModel(this))
{
    model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model_->setRootPath(QString());
    setModel(model_);
    setHeaderHidden(true);
    for (int c = 1; c < model_->columnCount(); ++c)
        hideColumn(c);
    // Deep folders scroll sideways instead of being cut off at the list's narrow edge.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setIndentation(12);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // A double click opens the folder; it must not fold it up again at the same time.
    setExpandsOnDoubleClick(false);

    connect(this, &QTreeView::activated, this, [this](const QModelIndex& index) {
        const QString picked = model_->filePath(index);
        if (!picked.isEmpty())
            emit openRequested(picked);
    });
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this] {
        if (settling_)
            reveal();
    });
    connect(model_, &QAbstractItemModel::layoutChanged, this, [this] {
        if (settling_)
            reveal();
    });
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()})
        connect(bar, &QScrollBar::actionTriggered, this, [this] { settling_ = false; });
}

void DirTree::showPath(const QString& path)
{
    path_ = path;
    const QModelIndex index = model_->index(path);
    setCurrentIndex(index);
    expand(index);
    settling_ = true;
    reveal();
}

void DirTree::reveal()
{
    const QModelIndex index = model_->index(path_);
    if (!index.isValid())
        return;
    scrollTo(index, PositionAtCenter);
    // Sideways, the folder's name starts near the left edge, with a little of the tree
    // in front of it to show where it hangs.
    const int left = visualRect(index).left() + horizontalOffset();
    horizontalScrollBar()->setValue(left > viewport()->width() / 2 ? left - 2 * indentation() : 0);
}

void DirTree::showEvent(QShowEvent* event)
{
    QTreeView::showEvent(event);
    if (settling_)
        reveal();
}

void DirTree::keyPressEvent(QKeyEvent* event)
{
    settling_ = false;
    QTreeView::keyPressEvent(event);
}

bool DirTree::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel)
        settling_ = false;
    return QTreeView::viewportEvent(event);
}

} // namespace auxpad::ui

#include "moc_dir_tree.cpp"
