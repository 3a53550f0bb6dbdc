#pragma once

#include <QWidget>

#include <QHash>

#include <array>
#include <functional>
#include <string>

#include "app/drive_list.h"
#include "platform/windows.h"

class DirFiles;
class DirTree;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;
class QTimer;

namespace auxpad {
struct Station;
}

// FLASH_MAIN: the operator's working window.
class FlashMain final : public QWidget, public platform::MainWindowView {
    Q_OBJECT
public:
    using FaultSink = std::function<void(const std::string& message)>;

    // `volumes` replaces the machine's mounted volumes as the drives that Drive1 offers.
    explicit FlashMain(QWidget* parent = nullptr, DriveList::VolumeSource volumes = {});

    // Connects the window's events to a station; until then they do nothing.
    void attach(auxpad::Station& station, FaultSink onFault);

    void setComPortNum(const std::string& caption) override;
    void setLabel13(const std::string& caption) override;
    std::string disp1() const override;
    void setDisp1(const std::string& caption) override;
    void repaintDisp1() override;
    std::string text(int box) const override;
    void setText(int box, const std::string& text) override;
    void setPrgLoadVisible(bool visible) override;
    bool prgLoadVisible() const override;
    void setPrgLoadValue(float value) override;
    float prgLoadValue() const override;
    std::string dir1Path() const override;
    std::string selectedFile(int list) const override;
    void setMousePointer(int code) override;

    QTimer* timer1() const { return timer1_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build(DriveList::VolumeSource volumes);
    void run(void (*handler)(auxpad::Station&));

    // Drive and folder selection.
    void buildFileSelection(DriveList::VolumeSource volumes);
    void Drive1_Change();
    void Dir1_Change();
    // Moves Dir1 to `path` when the folder can be entered; false (after telling the
    // operator) when it cannot, with everything left as it was.
    bool openFolder(const QString& path);
    void complain(const QString& text);

    auxpad::Station* station_ = nullptr;
    FaultSink onFault_;

    QLabel* comPortNum_ = nullptr;
    QLabel* label13_ = nullptr;
    QLabel* disp1_ = nullptr;
    QProgressBar* prgLoad_ = nullptr;
    float prgValue_ = 0;
    std::array<QLineEdit*, 6> texts_{};
    DriveList* drive1_ = nullptr;
    DirTree* dir1_ = nullptr;
    QString dir1Path_;
    QString shownDrive_;
    QHash<QString, QString> lastFolder_; // per drive root: where Dir1 was last on it
    std::array<QListView*, 2> files_{};
    DirFiles* filesModel_ = nullptr; // both lists show the same folder
    QTimer* timer1_ = nullptr;
};
