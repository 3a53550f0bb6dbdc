#pragma once

#include <QTreeView>

class QFileSystemModel;

namespace auxpad::ui {

// Dir1: the folder tree, opened down to the folder it shows, with that folder marked and
// its sub-folders listed. The operator opens a folder by double-clicking it or pressing
// Enter on it; whether the tree then moves there is its owner's decision.
class DirTree final : public QTreeView {
    Q_OBJECT
public:
    explicit DirTree(QWidget* parent = nullptr);

    QString path() const { return path_; }
    // Shows `path` (an absolute folder with '/' separators); raises nothing.
    void showPath(const QString& path);

signals:
    void openRequested(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void reveal();

    QFileSystemModel* model_ = nullptr;
    QString path_;
    // While the folders around the shown one are still being read and sorted, rows move
    // under it; until the operator takes the tree in hand it follows the shown folder.
    bool settling_ = false;
};

} // namespace auxpad::ui
