#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QListView>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>

#include "tests/widgets/live_windows.h"

namespace {

// A station whose two "drives" are folders of a temporary tree, plus one that is not there:
//   vol1: a.txt b.hex .hidden sub/ (c.txt d.dat) locked/     vol2: e.txt     gone: -
class Folders : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        root = QDir(tmp.path()).canonicalPath();
        for (const char* dir : {"vol1/sub", "vol1/locked", "vol2"})
            ASSERT_TRUE(QDir(root).mkpath(dir));
        for (const char* file : {"vol1/a.txt", "vol1/b.hex", "vol1/.hidden", "vol1/sub/c.txt", "vol1/sub/d.dat", "vol2/e.txt"}) {
            QFile f(root + "/" + file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
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
        QFile::setPermissions(path("vol1/locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
        const auto* model = list->model();
        for (int r = 0; r < model->rowCount(list->rootIndex()); ++r) {
            const QModelIndex index = model->index(r, 0, list->rootIndex());
            if (index.data().toString() == name)
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
        }
    }
    // Everything the operator sees of step 1, and where relative files are opened.
    void expectStillAt(const char* folder, const char* selected)
    {
        EXPECT_EQ(QString::fromStdString(lw->main.dir1Path()), path(folder));
        EXPECT_EQ(QDir::currentPath(), path(folder));
        EXPECT_EQ(drive1->currentText(), path("vol1"));
        EXPECT_EQ(lw->main.selectedFile(1), selected);
        ASSERT_EQ(lw->dialogs.boxes.size(), 1u);
        EXPECT_EQ(lw->dialogs.boxes[0].icon, platform::Icon::Warning);
    }

    QString startCwd = QDir::currentPath();
    QTemporaryDir tmp;
    QString root;
    std::unique_ptr<LiveWindows> lw;
    QTreeView* dir1 = nullptr;
    QComboBox* drive1 = nullptr;
    QListView* lists[2] = {};
};

TEST_F(Folders, StartAtTheWorkingDirectoryAndGiveEachListsSelectionWithoutTheFolder)
{
    EXPECT_EQ(QString::fromStdString(lw->main.dir1Path()), path("vol1"));
    EXPECT_EQ(drive1->currentText(), path("vol1"));
    EXPECT_EQ(lw->main.selectedFile(1), "");
    EXPECT_EQ(lw->main.selectedFile(2), "");

    pick(lists[0], "a.txt");
    pick(lists[1], "b.hex");
    EXPECT_EQ(lw->main.selectedFile(1), "a.txt");
    EXPECT_EQ(lw->main.selectedFile(2), "b.hex");
}

TEST_F(Folders, OpeningASubFolderListsItsFilesAndMakesItTheWorkingDirectory)
{
    pick(lists[0], "a.txt");
    doubleClick(path("vol1/sub"));
    waitForFiles({"c.txt", "d.dat"});
    EXPECT_EQ(QString::fromStdString(lw->main.dir1Path()), path("vol1/sub"));
    EXPECT_EQ(QDir::currentPath(), path("vol1/sub"));
    EXPECT_EQ(lw->main.selectedFile(1), "");
    EXPECT_TRUE(lw->dialogs.boxes.empty());

    // flash.ini is still read where the tool started.
    QTest::mouseClick(lw->mainCtl("Command1"), Qt::LeftButton);
    EXPECT_EQ(lw->files.opened.back(), "/station/flash.ini");

    // Enter on a folder opens it as well.
    dir1->setCurrentIndex(treeRow(path("vol1")));
    QTest::keyClick(dir1, Qt::Key_Return);
    waitForFiles({"a.txt", "b.hex"});
    EXPECT_EQ(QDir::currentPath(), path("vol1"));
}

TEST_F(Folders, ChangingDriveMovesToThatDrivesLastFolder)
{
    doubleClick(path("vol1/sub"));
    waitForFiles({"c.txt", "d.dat"});

    QTest::keyClick(drive1, Qt::Key_Down);
    waitForFiles({"e.txt"});
    EXPECT_EQ(drive1->currentText(), path("vol2"));
    EXPECT_EQ(QString::fromStdString(lw->main.dir1Path()), path("vol2"));
    EXPECT_EQ(QDir::currentPath(), path("vol2"));

    QTest::keyClick(drive1, Qt::Key_Up);
    waitForFiles({"c.txt", "d.dat"});
    EXPECT_EQ(QString::fromStdString(lw->main.dir1Path()), path("vol1/sub"));
    EXPECT_TRUE(lw->dialogs.boxes.empty());
}

TEST_F(Folders, ADriveThatCannotBeReadIsReportedAndChangesNothing)
{
    pick(lists[0], "a.txt");
    QTest::keyClick(drive1, Qt::Key_End);
    expectStillAt("vol1", "a.txt");
    EXPECT_NE(lw->dialogs.boxes[0].text.find("gone"), std::string::npos);
    waitForFiles({"a.txt", "b.hex"});
}

TEST_F(Folders, AFolderGoneBeforeItIsOpenedIsReportedAndChangesNothing)
{
    ASSERT_TRUE(QDir(root).mkpath("vol1/brief"));
    pick(lists[0], "b.hex");
    const QModelIndex index = treeRow(path("vol1/brief"));
    ASSERT_TRUE(QDir(root).rmdir("vol1/brief"));
    dir1->setCurrentIndex(index);
    QTest::keyClick(dir1, Qt::Key_Return);
    expectStillAt("vol1", "b.hex");
    EXPECT_NE(lw->dialogs.boxes[0].text.find("brief"), std::string::npos);
    waitForFiles({"a.txt", "b.hex"});
}

TEST_F(Folders, AFolderWithoutReadPermissionIsReportedAndChangesNothing)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    ASSERT_TRUE(QFile::setPermissions(path("vol1/locked"), {}));
    pick(lists[0], "a.txt");
    doubleClick(path("vol1/locked"));
    expectStillAt("vol1", "a.txt");
    waitForFiles({"a.txt", "b.hex"});
}

} // namespace
