#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

#include "tests/widgets/live_windows.h"
#include "tests/support/files.h"

using namespace auxpad::ui;

namespace {

// A station whose two "drives" are folders of a temporary tree, plus one that is not there:
//   vol1: a.txt b.hex .hidden sub/ (c.txt d.dat)     vol2: e.txt     gone: -
// beside folders aisle00, aisle01, ... that are no drive.
class Folders : public ::testing::Test {
protected:
    static constexpr int kAisles = 40;
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        root = QDir(tmp.path()).canonicalPath();
        for (const char* dir : {"vol1/sub", "vol2"})
            ASSERT_TRUE(QDir(root).mkpath(dir));
        for (int i = 0; i < kAisles; ++i) // above vol1, so that the tree must scroll to show it
            ASSERT_TRUE(QDir(root).mkpath(QString("aisle%1").arg(i, 2, 10, QChar('0'))));
        for (const char* file : {"vol1/a.txt", "vol1/b.hex", "vol1/.hidden", "vol1/sub/c.txt", "vol1/sub/d.dat", "vol2/e.txt"})
            writeFile(root + "/" + file, "");
        ASSERT_TRUE(QDir::setCurrent(path("vol1")));
        const QStringList drives{path("vol1"), path("vol2"), path("gone")};
        lw = std::make_unique<LiveWindows>([drives] { return drives; });
        dir1 = lw->mainCtl<QTreeView>("Dir1");
        drive1 = lw->mainCtl<QComboBox>("Drive1");
        lists[0] = lw->mainCtl<QListView>("File1");
        lists[1] = lw->mainCtl<QListView>("File2");
        // Clicks land on rows only once the lists have been laid out on screen.
        lw->main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&lw->main));
        waitForFiles({"a.txt", "b.hex"});
    }
    void TearDown() override
    {
        lw.reset();
        QDir::setCurrent(startCwd);
    }

    QString path(const char* relative) const { return root + "/" + relative; }

    static QStringList shown(QListView* list)
    {
        QStringList names;
        auto* model = list->model();
        for (int r = 0; r < model->rowCount(list->rootIndex()); ++r)
            names << model->index(r, 0, list->rootIndex()).data().toString();
        names.sort();
        return names;
    }
    void waitForFiles(const QStringList& names)
    {
        (void)QTest::qWaitFor([&] { return shown(lists[0]) == names && shown(lists[1]) == names; }, 5000);
        EXPECT_EQ(shown(lists[0]), names);
        EXPECT_EQ(shown(lists[1]), names);
    }
    // The folder's row in Dir1, once the tree has read it, scrolled into view.
    QModelIndex treeRow(const QString& folder)
    {
        auto* model = static_cast<QFileSystemModel*>(dir1->model());
        EXPECT_TRUE(QTest::qWaitFor([&] { return model->index(folder).isValid(); }, 5000)) << folder.toStdString();
        const QModelIndex index = model->index(folder);
        dir1->scrollTo(index);
        return index;
    }
    void doubleClick(const QString& folder)
    {
        const QModelIndex index = treeRow(folder);
        // Deep folders run off the narrow list to the right: aim at the start of the name.
        const QRect row = dir1->visualRect(index);
        // A widget gets the second press of a double click as the double click itself.
        const QPoint at(qMin(row.left() + 30, dir1->viewport()->width() - 2), row.center().y());
        QTest::mouseClick(dir1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(dir1->viewport(), Qt::LeftButton, {}, at);
    }
    void pick(QListView* list, const char* name)
    {
        const QModelIndex first = list->model()->index(0, 0, list->rootIndex());
        const QModelIndexList hits = list->model()->match(first, Qt::DisplayRole, name, 1, Qt::MatchExactly);
        ASSERT_EQ(hits.size(), 1) << name;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(hits[0]).center());
    }
    // Everything the operator sees of step 1, after the one box that said why.
    QString expectStillAt(const char* folder, const char* picked)
    {
        EXPECT_EQ(lw->main.folder(), path(folder));
        EXPECT_EQ(drive1->currentText(), path("vol1"));
        EXPECT_EQ(lw->main.pickedFile(0), path(picked));
        EXPECT_TRUE(openBox() && openBox()->icon() == QMessageBox::Warning);
        return closeBox();
    }

    QString startCwd = QDir::currentPath();
    QTemporaryDir tmp;
    QString root;
    std::unique_ptr<LiveWindows> lw;
    QTreeView* dir1 = nullptr;
    QComboBox* drive1 = nullptr;
    QListView* lists[2] = {};
};

// The working folder sits deep in the machine's tree; the tree reads its folders a while
// after the window opens, and must then show the operator where they are.
TEST_F(Folders, Dir1ShowsTheWorkingFolderOnceItHasReadTheTreeUntilTheOperatorScrolls)
{
    auto* model = static_cast<QFileSystemModel*>(dir1->model());
    const auto inView = [&] {
        const QRect row = dir1->visualRect(model->index(path("vol1")));
        return row.isValid() && row.top() >= 0 && row.bottom() <= dir1->viewport()->height();
    };
    // Read and sorted: vol1 under the aisles.
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->index(path("vol1")).row() == kAisles && inView(); }, 5000));

    // Once the operator has scrolled, a folder that loads later does not pull the tree back.
    QWheelEvent up(QPointF(10, 10), dir1->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120 * 100),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(dir1->viewport(), &up);
    const int scrolled = dir1->verticalScrollBar()->value();
    ASSERT_FALSE(inView()) << "the wheel took the working folder out of view";
    QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
    dir1->expand(model->index(path("vol2")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.count() > 0; }, 5000));
    EXPECT_EQ(dir1->verticalScrollBar()->value(), scrolled);
}

TEST_F(Folders, OpeningASubFolderListsItsFilesWhileFlashIniStaysWhereTheToolStarted)
{
    EXPECT_TRUE(lw->main.pickedFile(0).isEmpty() && lw->main.pickedFile(1).isEmpty()) << "nothing picked at the start";
    pick(lists[0], "a.txt");
    EXPECT_EQ(lw->main.pickedFile(0), path("vol1/a.txt")) << "by its full path";
    doubleClick(path("vol1/sub"));
    waitForFiles({"c.txt", "d.dat"});
    EXPECT_EQ(lw->main.folder(), path("vol1/sub"));
    EXPECT_GT(dir1->horizontalScrollBar()->maximum(), 0) << "a deep folder's name scrolls sideways, never cut off";
    EXPECT_EQ(lw->main.pickedFile(0), "");
    EXPECT_EQ(openBox(), nullptr);

    lw->files.files["/station/flash.ini"] = "Hardware=\"0102\"\r\n";
    QTest::mouseClick(lw->mainCtl("Command1"), Qt::LeftButton);
    EXPECT_EQ(lw->mainCtl<QLineEdit>("Text1")->text(), "0102");

    // Enter on a folder opens it as well.
    dir1->setCurrentIndex(treeRow(path("vol1")));
    QTest::keyClick(dir1, Qt::Key_Return);
    waitForFiles({"a.txt", "b.hex"});
    EXPECT_EQ(lw->main.folder(), path("vol1"));

    // A double click on the open folder opens it again and leaves it unfolded.
    doubleClick(path("vol1"));
    EXPECT_TRUE(dir1->isExpanded(treeRow(path("vol1"))));
}

TEST_F(Folders, ADriveOrFolderThatCannotBeReadIsReportedAndChangesNothing)
{
    pick(lists[0], "a.txt");
    QTest::keyClick(drive1, Qt::Key_End);
    EXPECT_TRUE(expectStillAt("vol1", "vol1/a.txt").contains("gone"));
    waitForFiles({"a.txt", "b.hex"});

    ASSERT_TRUE(QDir(root).mkpath("vol1/brief"));
    const QModelIndex index = treeRow(path("vol1/brief"));
    ASSERT_TRUE(QDir(root).rmdir("vol1/brief"));
    dir1->setCurrentIndex(index);
    QTest::keyClick(dir1, Qt::Key_Return);
    EXPECT_TRUE(expectStillAt("vol1", "vol1/a.txt").contains("brief"));
    waitForFiles({"a.txt", "b.hex"});
}

// Of the volumes mounted, the list offers the root, then each disk once.
TEST(DriveList, OffersTheRootThenEachMountedDiskOnce)
{
    const std::vector<MountedVolume> volumes{
        {"/", "/dev/vda1", "ext4", true, true},
        {"/media/stick", "/dev/sdb1", "vfat", true, true},
        {"/proc", "proc", "proc", true, true},
        {"/snap/core22/1", "/dev/loop3", "squashfs", true, true},
        {"/etc/hosts", "/dev/vda1", "ext4", true, false},
        {"/media/stick", "/dev/sdb1", "vfat", true, true},
        {"/media/card", "/dev/mmcblk0p1", "exfat", false, true},
        {"/srv/data", "/dev/sdc1", "ext4", true, true},
    };
    EXPECT_EQ(diskRoots(volumes), (QStringList{"/", "/media/stick", "/srv/data"}));
}

// A stick plugged in after the list was read is there when the operator opens the list,
// and the drive chosen stays chosen.
TEST(DriveList, AStickPluggedInLaterShowsWhenTheListOpens)
{
    QStringList mounted{"/", "/srv/data"};
    auxpad::ui::DriveList drives;
    drives.setVolumeSource([&] { return mounted; });
    drives.showRoot("/srv/data");
    mounted << "/media/stick";
    EXPECT_EQ(drives.count(), 2);
    drives.showPopup();
    EXPECT_EQ(drives.count(), 3);
    EXPECT_EQ(drives.volumeOf("/media/stick/initdisk.txt"), "/media/stick");
    EXPECT_EQ(drives.currentRoot(), "/srv/data");
    drives.hidePopup();
}

} // namespace
