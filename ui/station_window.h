#pragma once

#include <QHash>
#include <QWidget>

#include <array>
#include <optional>

#include "engine/effects.h"
#include "ui/drive_list.h"

class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QTimer;

namespace auxpad {
class BoardRunner;
}

namespace auxpad::ui {

class DirFiles;
class DirTree;
class TrafficWindow;

// FLASH_MAIN: the operator's working window for the board on the station's line. Its
// buttons hand the engine the operator's commands; what the engine shows comes back as
// effects.
class StationWindow final : public QWidget {
    Q_OBJECT
public:
    // `volumes` replaces the machine's mounted volumes as the drives that Drive1 offers.
    explicit StationWindow(QWidget* parent = nullptr, DriveList::VolumeSource volumes = {});

    // Runs the board through `runner`, its traffic shown in `traffic`; until then the
    // buttons do nothing.
    void attach(auxpad::BoardRunner& runner, TrafficWindow& traffic);

    // The folder the file lists show.
    QString folder() const { return dir1Path_; }
    // The port as flash.ini names it, once it is open.
    void showPortOpened(const QString& caption);
    // The full path of the file picked in File1 (0) or File2 (1), "" when none is.
    QString pickedFile(int list) const;

    void apply(const auxpad::Effect& effect);

signals:
    // The station cannot go on: flash.ini is gone, or the line is.
    void stopped(const QString& message);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build(DriveList::VolumeSource volumes);
    // DISP1 and PrgLoad change with every block of a download; they take the newest
    // text and value at most once a frame, so painting never holds the line back.
    void showStatusSoon();
    void showStatus();
    void startFlash();
    void startProductInfo();
    void loadDefaults();

    // Drive and folder selection (station_window_files.cpp).
    void buildFileSelection(DriveList::VolumeSource volumes);
    void buildProductBoxes();
    void driveChosen();
    void showFolder();
    // Moves Dir1 to `path` when the folder can be entered; false (after telling the
    // operator) when it cannot, with everything left as it was.
    bool openFolder(const QString& path);
    void complain(const QString& text);

    auxpad::BoardRunner* runner_ = nullptr;
    TrafficWindow* traffic_ = nullptr;

    QLabel* comPortNum_ = nullptr;
    QLabel* label13_ = nullptr;
    QLabel* disp1_ = nullptr;
    QProgressBar* prgLoad_ = nullptr;
    QTimer* statusFrame_ = nullptr;
    std::optional<std::string> pendingCaption_;
    std::optional<auxpad::ProgressShown> pendingBar_;
    std::array<QLineEdit*, 6> texts_{};
    DriveList* drive1_ = nullptr;
    DirTree* dir1_ = nullptr;
    QString dir1Path_;
    QString shownDrive_;
    QHash<QString, QString> lastFolder_; // per drive root: where Dir1 was last on it
    std::array<QListView*, 2> files_{};
    DirFiles* filesModel_ = nullptr; // both lists show the same folder
};

} // namespace auxpad::ui
