// FLASH_MAIN's step 1: the drive, the folder and the two download files.

#include <QDir>
#include <QFileInfo>
#include <QListView>

#include "ui/dir_files.h"
#include "ui/dir_tree.h"
#include "ui/drive_list.h"
#include "ui/station_window.h"
#include "ui/message_box.h"
#include "ui/ui_fonts.h"

namespace auxpad::ui {

namespace {

// Why `path` cannot serve as the folder of the download files; "" when it can.
QString cannotEnter(const QString& path)
{
    const QFileInfo folder(path);
    if (!folder.exists())
        return QStringLiteral("it does not exist (any more)");
    if (!folder.isDir())
        return QStringLiteral("it is not a folder");
    if (!folder.isReadable() || !folder.isExecutable())
        return QStringLiteral("you have no permission to open it");
    return {};
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

void StationWindow::buildFileSelection(DriveList::VolumeSource volumes)
{
    drive1_ = new DriveList(this);
    if (volumes)
        drive1_->setVolumeSource(std::move(volumes));
    drive1_->setObjectName(QStringLiteral("Drive1"));
    drive1_->setGeometry(16, 48, 153, 21);
    drive1_->setFont(ui::sansFont(8.25));
    drive1_->setToolTip(QStringLiteral("Select drive for initdisk and initdata files"));
    connect(drive1_, &QComboBox::activated, this, [this] { driveChosen(); });

    dir1_ = new DirTree(this);
    dir1_->setObjectName(QStringLiteral("Dir1"));
    dir1_->setGeometry(16, 72, 153, 141);
    dir1_->setFont(ui::sansFont(8.25));
    dir1_->setToolTip(QStringLiteral("Select path for initdisk and initdata files"));
    connect(dir1_, &DirTree::openRequested, this, [this](const QString& path) { openFolder(path); });

    filesModel_ = new DirFiles(this);
    const char* names[2] = {"File1", "File2"};
    const char* tips[2] = {"Select initdisk file", "Select initdata file"};
    const int tops[2] = {64, 152};
    for (int i = 0; i < 2; ++i) {
        auto* list = new QListView(this);
        list->setObjectName(QString::fromLatin1(names[i]));
        list->setGeometry(176, tops[i], 169, 58);
        list->setFont(ui::sansFont(8.25));
        list->setToolTip(QString::fromLatin1(tips[i]));
        list->setModel(filesModel_);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setUniformItemSizes(true);
        files_[i] = list;
    }

    dir1Path_ = QDir::cleanPath(QDir::currentPath());
    dir1_->showPath(dir1Path_);
    showFolder();
}

void StationWindow::driveChosen()
{
    const QString root = drive1_->currentRoot();
    if (root.isEmpty() || root == shownDrive_)
        return;
    // Each drive is taken up again where Dir1 last was on it.
    QString target = lastFolder_.value(root, root);
    if (target != root && !QFileInfo(target).isDir())
        target = root;
    if (!QFileInfo(root).isDir()) {
        drive1_->showRoot(shownDrive_);
        complain(QStringLiteral("The drive %1 cannot be read: it is not ready or no longer mounted.\n\n"
                                "The file lists still show %2.")
                     .arg(shown(root), shown(dir1Path_)));
        return;
    }
    if (!openFolder(target))
        drive1_->showRoot(shownDrive_);
}

bool StationWindow::openFolder(const QString& path)
{
    if (path == dir1Path_) {
        dir1_->showPath(dir1Path_);
        return true;
    }
    const QString why = cannotEnter(path);
    if (!why.isEmpty()) {
        dir1_->showPath(dir1Path_);
        complain(QStringLiteral("The folder %1 cannot be opened: %2.\n\nThe file lists still show %3.")
                     .arg(shown(path), why, shown(dir1Path_)));
        return false;
    }
    dir1Path_ = path;
    dir1_->showPath(path);
    showFolder();
    return true;
}

void StationWindow::showFolder()
{
    shownDrive_ = drive1_->volumeOf(dir1Path_);
    if (!shownDrive_.isEmpty())
        lastFolder_.insert(shownDrive_, dir1Path_);
    drive1_->showRoot(shownDrive_);

    const QModelIndex folder = filesModel_->showFolder(dir1Path_);
    for (QListView* list : files_) {
        list->setRootIndex(folder);
        list->selectionModel()->clear();
    }
}

void StationWindow::complain(const QString& text)
{
    ui::openBox(this, text, auxpad::Icon::Warning);
}

} // namespace auxpad::ui
