// A file whose name begins and ends with blanks goes from the library into the player's list
// under its own name: written by the library's export into the hand-over file, read by the
// player's load-queue handling.
#include "base/core/building.h"
#include "basefixture.h"
#include "player/core/playlist/playlistfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace wc;
using namespace wc::base;
using basetest::entry;

TEST(HandOver, FileNamesWithBlanksReachThePlayerUnchanged) {
    QTemporaryDir programDir, music;
    const QStringList names{" leading.mp3", "trailing.mp3 ", "  both  .ogg\t", "plain.mp3"};
    LibraryModel m;
    for (const QString& n : names) {
        const QString path = music.filePath(n);
        basetest::writeFile(path, "x");
        m.append(entry("Band", n.trimmed(), path, 61000));
    }
    std::vector<int> all{0, 1, 2, 3};
    ASSERT_TRUE(QDir(programDir.path()).mkpath("Temp"));
    ASSERT_TRUE(exportM3u(handOverPath(programDir.path(), HandOver::DbTemp), m, all));
    PlaylistView master;
    const LoadQueueResult r =
        handleLoadQueue(1, (qint64(1) << 16) | 1, {&master, &master, nullptr}, programDir.path());
    ASSERT_EQ(r.inserted, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(master.at(i).FileName(), music.filePath(names[i])) << i;
        EXPECT_TRUE(QFileInfo::exists(master.at(i).FileName())) << i;
        EXPECT_EQ(master.at(i).Title(), "Band - " + names[i].trimmed()) << i;
    }
}
