#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <string>

#include "platform/windows.h"

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeView;

namespace auxpad {
struct Station;
}

// FLASH_MAIN: the operator's working window.
class FlashMain final : public QWidget, public platform::MainWindowView {
    Q_OBJECT
public:
    using FaultSink = std::function<void(const std::string& message)>;

    explicit FlashMain(QWidget* parent = nullptr);

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
    void build();
    void buildFileSelection();
    void run(void (*handler)(auxpad::Station&));
    void Drive1_Change();
    void Dir1_Change();
    void setDir1Path(const QString& path);

    auxpad::Station* station_ = nullptr;
    FaultSink onFault_;

    QLabel* comPortNum_ = nullptr;
    QLabel* label13_ = nullptr;
    QLabel* disp1_ = nullptr;
    QProgressBar* prgLoad_ = nullptr;
    float prgValue_ = 0;
    std::array<QLineEdit*, 6> texts_{};
    QComboBox* drive1_ = nullptr;
    QTreeView* dir1_ = nullptr;
    QFileSystemModel* dirModel_ = nullptr;
    QString dir1Path_;
    std::array<QListView*, 2> files_{};
    std::array<QFileSystemModel*, 2> fileModels_{};
    QTimer* timer1_ = nullptr;
};
