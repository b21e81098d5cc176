// The edit commands: randomize, find, sorting by a column, delete missing, rename, delete
// from disk.
#include "common/random.h"
#include "edittestutil.h"

#include <map>

using namespace wc;
using namespace wc::edittest;

namespace {

class CommandsTest : public EditorFixture {
protected:
    void fill(const QStringList& names) {
        for (const QString& n : names)
            lists.LVMaster.AppendItem(item(n));
        lists.LVMaster.Renumber();
    }
};

TEST_F(CommandsTest, RandomizeDrawsAFisherYatesOrder) {
    fill({"a", "b", "c", "d"});
    lists.LVMaster.SetPlayingIndex(1);
    // k = 3 draws 0 (swap d, a), k = 2 draws 2 (stays), k = 1 draws 0 (swap).
    ScriptedRandom script({0, 2, 0});
    editor.randomize(script);
    EXPECT_EQ(titles(lists.LVMaster), (QStringList{"b", "d", "c", "a"}));
    EXPECT_EQ(lists.LVMaster.PlayingIndex(), 0);
    EXPECT_TRUE(lists.LVMaster.at(0).IsPlaying);
    EXPECT_EQ(lists.LVMaster.at(3).Number, "4");
    lists.undoActive();
    EXPECT_EQ(titles(lists.LVMaster), (QStringList{"a", "b", "c", "d"}));
}

TEST_F(CommandsTest, RandomizeGivesEveryOrderAlike) {
    fill({"a", "b", "c"});
    editor.setWindowShown(false);
    SeededRandom random(7);
    std::map<QString, int> seen;
    const int runs = 30000;
    for (int r = 0; r < runs; ++r) {
        editor.randomize(random);
        ++seen[titles(lists.LVMaster).join("")];
    }
    ASSERT_EQ(seen.size(), 6u);
    // Exchanging each item with any of the three gives some orders 5/27 and others 4/27 of
    // the time (5556 and 4444 of 30000); a uniform draw gives 5000 each.
    for (const auto& [order, n] : seen) {
        SCOPED_TRACE(order.toStdString());
        EXPECT_NEAR(n, runs / 6, 300);
    }
}

TEST_F(CommandsTest, FindStepsThroughMatchesAndStartsAgainFromTheTop) {
    fill({"Alpha", "beta", "ALPHABET", "gamma"});
    EXPECT_EQ(editor.find("alpha"), 0);
    EXPECT_EQ(host.centred, 0);
    EXPECT_EQ(editor.find("alpha"), 2);
    EXPECT_EQ(lists.LVMaster.selectedIndexes(), std::vector<int>{2});
    EXPECT_TRUE(shown.shown.empty());
    EXPECT_EQ(editor.find("alpha"), -1);
    ASSERT_EQ(shown.shown.size(), 1u);
    EXPECT_EQ(shown.shown[0].caption, "Wavecrest");
    EXPECT_EQ(shown.shown[0].text, QString::fromUtf8("Больше ничего не найдено!"));
    EXPECT_EQ(lists.LVMaster.selectedCount(), 0);
    EXPECT_EQ(editor.find("alpha"), 0);
    // The number, title, length and file name are joined without separators.
    EXPECT_EQ(editor.find("4gamma01:00/m/"), 3);
    editor.resetFind();
    EXPECT_EQ(editor.find("nothing"), -1);
    lists.LVMaster.ClearItems();
    EXPECT_EQ(editor.find("alpha"), -1);
    EXPECT_EQ(shown.shown.size(), 3u);
}

TEST_F(CommandsTest, SortingTwiceReverses) {
    fill({"b", "C", "a"});
    EXPECT_FALSE(editor.sortByColumn(2));
    EXPECT_EQ(titles(lists.LVMaster), (QStringList{"b", "C", "a"}));
    editor.settings.allowSort = true;
    lists.LVMaster.SetPlayingIndex(0);
    EXPECT_TRUE(editor.sortByColumn(2));
    EXPECT_EQ(titles(lists.LVMaster), (QStringList{"a", "b", "C"}));
    EXPECT_EQ(lists.LVMaster.PlayingIndex(), 1);
    EXPECT_EQ(lists.LVMaster.at(0).Number, "1");
    EXPECT_TRUE(editor.sortByColumn(2));
    EXPECT_EQ(titles(lists.LVMaster), (QStringList{"C", "b", "a"}));
    // Another column next sorts it descending (by file name here).
    EXPECT_TRUE(editor.sortByColumn(6));
    EXPECT_EQ(titles(lists.LVMaster), (QStringList{"a", "b", "C"}));
    EXPECT_TRUE(editor.sortByColumn(6));
    EXPECT_EQ(titles(lists.LVMaster), (QStringList{"C", "b", "a"}));
    lists.undoActive();
    EXPECT_EQ(titles(lists.LVMaster), (QStringList{"a", "b", "C"}));
}

TEST_F(CommandsTest, DeleteMissingAlsoRemovesALineInputWithoutItsFile) {
    writeTagged(path("here.mp3"));
    editor.AddFile(path("here.mp3"));
    editor.AddFile(path("gone.mp3"));
    editor.AddLineInput();
    EXPECT_EQ(editor.deleteMissing(), 2);
    EXPECT_EQ(titles(lists.LVMaster), QStringList{"here"});
    writeTagged(path("line.in"));
    editor.AddLineInput();
    EXPECT_EQ(editor.deleteMissing(), 0);
    EXPECT_EQ(lists.LVMaster.count(), 2);
    EXPECT_FALSE(lists.LVMaster.canUndo());
}

TEST_F(CommandsTest, RenameChangesTheItemOnlyWhenTheFileWasRenamed) {
    writeTagged(path("old.mp3"));
    editor.AddFile(path("old.mp3"));
    lists.LVMaster.selectOnly(0);
    EXPECT_FALSE(editor.renameSelected(path("no such folder/new.mp3")));
    EXPECT_EQ(lists.LVMaster.at(0).FileName(), path("old.mp3"));
    ASSERT_EQ(shown.shown.size(), 1u);
    EXPECT_EQ(shown.shown[0].caption, "Error");
    EXPECT_TRUE(shown.shown[0].text.contains("No such file or directory"))
        << shown.shown[0].text.toStdString();
    EXPECT_TRUE(shown.shown[0].text.endsWith("File: " + path("old.mp3")));
    EXPECT_TRUE(editor.renameSelected(path("new.mp3")));
    EXPECT_EQ(lists.LVMaster.at(0).FileName(), path("new.mp3"));
    EXPECT_TRUE(QFile::exists(path("new.mp3")));
    EXPECT_FALSE(QFile::exists(path("old.mp3")));
    // The box given back unchanged: nothing happens.
    EXPECT_FALSE(editor.renameSelected(path("new.mp3")));
    EXPECT_EQ(shown.shown.size(), 1u);
}

TEST_F(CommandsTest, DeleteFromDiskTrashesFilesAndKeepsWhatCannotBeTrashed) {
    for (const char* n : {"a.mp3", "b.mp3", "c.mp3"}) {
        writeTagged(path(n));
        editor.AddFile(path(n));
    }
    QStringList trashed;
    editor.moveToTrash = [&](const QString& p, QString* why) {
        if (p.endsWith("b.mp3")) {
            *why = "no trash can";
            return false;
        }
        trashed << p;
        return QFile::remove(p);
    };
    lists.LVMaster.selectRange(0, 1);
    shown.answers = {PromptNo};
    EXPECT_EQ(editor.deleteFromDisk(), 0);
    EXPECT_EQ(lists.LVMaster.count(), 3);
    EXPECT_TRUE(trashed.isEmpty());
    shown.answers = {PromptYes};
    EXPECT_EQ(editor.deleteFromDisk(), 1);
    EXPECT_EQ(titles(lists.LVMaster), (QStringList{"b", "c"}));
    EXPECT_EQ(trashed, QStringList{path("a.mp3")});
    EXPECT_TRUE(QFile::exists(path("b.mp3")));
    EXPECT_EQ(lists.LVMaster.selectedIndexes(), std::vector<int>{0});
    ASSERT_EQ(shown.shown.size(), 3u);
    EXPECT_EQ(shown.shown[1].caption, "Warning");
    EXPECT_EQ(shown.shown[2].text, "Error: no trash can\r\nFile: " + path("b.mp3"));
    EXPECT_TRUE(lists.LVMaster.canUndo());
    EXPECT_EQ(host.captions, QStringList{"Deleting..."});
    EXPECT_FALSE(host.open);
}

TEST_F(CommandsTest, DeleteFromDiskUsesTheDesktopTrash) {
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    QDir().mkpath(path("data"));
    qputenv("XDG_DATA_HOME", path("data").toUtf8());
    writeTagged(path("t.mp3"));
    editor.AddFile(path("t.mp3"));
    lists.LVMaster.selectOnly(0);
    shown.answers = {PromptYes};
    const int n = editor.deleteFromDisk();
    if (oldData.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldData);
    EXPECT_EQ(n, 1);
    EXPECT_FALSE(QFile::exists(path("t.mp3")));
    EXPECT_TRUE(QFile::exists(path("data/Trash/files/t.mp3")));
    EXPECT_EQ(lists.LVMaster.count(), 0);
}

} // namespace
