#include "ui/drive_list.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStorageInfo>

namespace auxpad::ui {

namespace {

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kCase = Qt::CaseSensitive;
#endif

bool under(const QString& path, const QString& root)
{
    if (root.isEmpty())
        return false;
    if (path.compare(root, kCase) == 0)
        return true;
    return path.startsWith(root.endsWith('/') ? root : root + '/', kCase);
}

} // namespace

DriveList::DriveList(QWidget* parent) : QComboBox(parent), source_(&DriveList::mountedRoots)
{
    refresh();
}

void DriveList::setVolumeSource(VolumeSource source)
{
    source_ = std::move(source);
    refresh();
}

void DriveList::refresh()
{
    const QString chosen = currentRoot();
    const QSignalBlocker quiet(this);
    clear();
    for (const QString& root : source_())
        addItem(QDir::toNativeSeparators(root), root);
    setCurrentIndex(findData(chosen));
}

QString DriveList::currentRoot() const
{
    return currentData().toString();
}

QString DriveList::volumeOf(const QString& path) const
{
    QString best;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        if (under(path, root) && root.size() > best.size())
            best = root;
    }
    return best;
}

void DriveList::showRoot(const QString& root)
{
    const QSignalBlocker quiet(this);
    setCurrentIndex(findData(root));
}

void DriveList::showPopup()
{
    // A stick plugged in or a share mounted since the last look shows up now.
    refresh();
    QComboBox::showPopup();
}

QStringList DriveList::mountedRoots()
{
    QStringList roots;
#ifdef Q_OS_WIN
    // Every drive letter, ready or not: a drive without a medium is still one to pick.
    for (const QFileInfo& drive : QDir::drives())
        roots << drive.absolutePath();
#else
    roots << QDir::rootPath();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        // Disks only: no pseudo file systems, no read-only package images, no single
        // files mounted over others.
        const QString root = volume.rootPath();
        if (!volume.isValid() || !volume.isReady() || !volume.device().startsWith("/dev/")
            || volume.fileSystemType() == "squashfs" || !QFileInfo(root).isDir() || roots.contains(root))
            continue;
        roots << root;
    }
#endif
    return roots;
}

} // namespace auxpad::ui

#include "moc_drive_list.cpp"
