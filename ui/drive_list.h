#pragma once

#include <QComboBox>
#include <QStringList>

#include <functional>
#include <vector>

namespace auxpad::ui {

// A mounted volume, as much of it as decides whether it is offered as a drive.
struct MountedVolume {
    QString root; // the folder it is mounted on
    QString device;
    QString fileSystem;
    bool ready = false;
    bool folder = false; // its root is a folder, not a single file mounted over another
};

// The drives to offer of the volumes mounted, in their order: the file system's root
// first, then each disk's folder once; no pseudo file systems, no read-only package
// images, no single files mounted over others.
QStringList diskRoots(const std::vector<MountedVolume>& volumes);

// Drive1: the drives the operator can pick the download files from. On Windows these are
// the drive letters; elsewhere the file system root and every mounted disk volume, each
// shown by the folder it is mounted on.
class DriveList final : public QComboBox {
    Q_OBJECT
public:
    using VolumeSource = std::function<QStringList()>;

    explicit DriveList(QWidget* parent = nullptr);

    // Where the list of volumes comes from (the mounted volumes unless replaced); the list
    // is read again now and each time the operator opens it.
    void setVolumeSource(VolumeSource source);

    // Root folder of the chosen drive ("" when none is chosen).
    QString currentRoot() const;
    // The listed drive that holds `path` (the longest root it lies under), or "".
    QString volumeOf(const QString& path) const;
    // Shows `root` as the chosen drive without raising the operator's change.
    void showRoot(const QString& root);

    void showPopup() override;

private:
    void refresh();
    // The volumes mounted on this machine, as the default source reads them.
    static QStringList mountedRoots();

    VolumeSource source_;
};

} // namespace auxpad::ui
