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

QStringList diskRoots(const std::vector<MountedVolume>& volumes)
{
    QStringList roots{QDir::rootPath()};
    for (const MountedVolume& volume : volumes) {
        if (!volume.ready || !volume.device.startsWith("/dev/") || volume.fileSystem == "squashfs" || !volume.folder
            || roots.contains(volume.root))
            continue;
        roots << volume.root;
    }
    return roots;
}

QStringList DriveList::mountedRoots()
{
#ifdef Q_OS_WIN
    // Every drive letter, ready or not: a drive without a medium is still one to pick.
    QStringList roots;
    for (const QFileInfo& drive : QDir::drives())
        roots << drive.absolutePath();
    return roots;
#else
    std::vector<MountedVolume> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString device = QString::fromLocal8Bit(volume.device());
        // Only a disk's root is looked at: a network share's can hang the window.
        const bool folder = device.startsWith("/dev/") && QFileInfo(volume.rootPath()).isDir();
        volumes.push_back({volume.rootPath(), device, QString::fromLatin1(volume.fileSystemType()),
                           volume.isValid() && volume.isReady(), folder});
    }
    return diskRoots(volumes);
#endif
}

} // namespace auxpad::ui

#include "moc_drive_list.cpp"
