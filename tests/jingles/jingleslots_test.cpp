// The jingle slots: what the buttons and menu entries show, the profile's paths, and jingle
// list files.
#include "player/core/jingles/jingleslots.h"
#include "player/core/profile/profile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace wc {
namespace {

TEST(JingleSlots, ButtonsAndMenuEntriesShowTitleLengthAndEnabledState) {
    JingleSlots s;
    s.setFile(1, "/j/Station ID.mp3");
    s.setFile(2, "/j/gone.wav");
    s.setFile(3, "/j/unmeasured.ogg");
    const auto exists = [](const QString& f) { return f != "/j/gone.wav"; };
    const auto length = [](const QString& f) { return f.endsWith(".ogg") ? -1 : 83500; };
    struct Case {
        int slot;
        bool enabled;
        const char* button;
        const char* menu;
    };
    const Case cases[] = {
        {1, true, "Jingle: Station ID (01:23)", "Jingle: Station ID"},
        {2, false, "Jingle: gone (01:23)", "Jingle: gone"},
        {3, true,
         "Jingle: unmeasured (?"
         "?:?"
         "?)",
         "Jingle: unmeasured"},
        {4, false, "", ""}, // an empty slot has no hint
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slot);
        const JingleSlotView v = s.view(c.slot, "Jingle", exists, length);
        EXPECT_EQ(v.enabled, c.enabled);
        EXPECT_EQ(v.buttonHint, QString::fromUtf8(c.button));
        EXPECT_EQ(v.menuHint, QString::fromUtf8(c.menu));
    }
    EXPECT_EQ(s.menuCaption(1), "1 /j/Station ID.mp3");
    EXPECT_EQ(s.menuCaption(9), "9 ");
}

TEST(JingleSlots, SlotsOneToNineAreTheProfilesPaths) {
    TProfile p;
    p.JinglePaths[0] = "/a.mp3";
    p.JinglePaths[8] = "/i.mp3";
    JingleSlots s;
    s.setFile(0, "/listen.wav");
    s.load(p);
    EXPECT_EQ(s.file(1), "/a.mp3");
    EXPECT_EQ(s.file(9), "/i.mp3");
    EXPECT_EQ(s.file(0), "/listen.wav"); // slot 0 is not the profile's
    s.setFile(5, "/e.mp3");
    s.store(p);
    EXPECT_EQ(p.JinglePaths[4], "/e.mp3");
    EXPECT_EQ(p.JinglePaths[0], "/a.mp3");
}

TEST(JingleListFile, ReadsNinePathsFromAnyLineEnds) {
    struct Case {
        QByteArray bytes;
        std::vector<const char*> first; // the slots' paths from slot 1 on; the rest empty
    };
    const Case cases[] = {
        {"/a.mp3\r\n/b.mp3\r\n", {"/a.mp3", "/b.mp3"}},
        {"/a.mp3\n\n/c.mp3", {"/a.mp3", "", "/c.mp3"}},
        {"/a.mp3\r/b.mp3\r", {"/a.mp3", "/b.mp3"}},
        {" /blank at both ends.mp3 \r\n", {" /blank at both ends.mp3 "}},
        {"1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n", {"1", "2", "3", "4", "5", "6", "7", "8", "9"}},
        {"", {}},
        {"/\xf0\xe0\xe4\xe8\xee.mp3", {"/радио.mp3"}}, // a list written in the legacy code page
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toStdString());
        const JingleListPaths got = parseJingleList(c.bytes);
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(got[i], i < c.first.size() ? QString::fromUtf8(c.first[i]) : QString()) << i;
    }
}

TEST(JingleListFile, WrittenListsReadBackAndLineBreaksCannotShiftSlots) {
    QTemporaryDir dir;
    JingleListPaths paths;
    paths[0] = QString::fromUtf8("/j/радио.mp3");
    paths[3] = "/j/two\nlines.mp3";
    paths[8] = "/j/nine.wav";
    const QString file = dir.filePath("set.lst");
    QString error;
    ASSERT_TRUE(writeJingleListFile(file, paths, &error)) << error.toStdString();
    JingleListPaths back;
    ASSERT_TRUE(readJingleListFile(file, &back));
    EXPECT_EQ(back[0], paths[0]);
    EXPECT_EQ(back[3], "/j/two lines.mp3");
    EXPECT_EQ(back[8], "/j/nine.wav");
    EXPECT_TRUE(back[1].isEmpty());
    EXPECT_FALSE(readJingleListFile(dir.filePath("none.lst"), &back));
}

} // namespace
} // namespace wc

namespace wc {
namespace {

TEST(JingleLengthCache, MeasuresEachVersionOfAFileOnce) {
    QTemporaryDir dir;
    const QString f = dir.filePath("j.wav");
    auto write = [&](const QByteArray& bytes) {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write("abc");
    int measured = 0;
    JingleLengthCache cache([&](const QString&) { return ++measured * 1000; });
    EXPECT_EQ(cache.durationMs(f), 1000);
    EXPECT_EQ(cache.durationMs(f), 1000);
    EXPECT_EQ(measured, 1);
    write("abcdef"); // another size: measured again
    EXPECT_EQ(cache.durationMs(f), 2000);
    EXPECT_EQ(cache.durationMs(dir.filePath("none.wav")), 3000);
    EXPECT_EQ(measured, 3);
}

} // namespace
} // namespace wc
