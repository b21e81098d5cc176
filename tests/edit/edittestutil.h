#pragma once
// Small fixtures for the playlist-editing tests: files with an ID3v1 tag, a length probe
// from a table, and a host that records what the editor showed.
#include "common/playlistfile/m3u.h"
#include "common/simloop.h"
#include "platform/prompts.h"
#include "player/core/edit/playlisteditor.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

namespace wc::edittest {

// 200 bytes of data and, when title or artist is given, an ID3v1 block.
inline void writeTagged(const QString& path, const QByteArray& title = {},
                        const QByteArray& artist = {}) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(200, 'x'));
    if (title.isEmpty() && artist.isEmpty()) return;
    QByteArray tag("TAG");
    auto field = [&](const QByteArray& s, int n) { tag += s.left(n).leftJustified(n, '\0'); };
    field(title, 30);
    field(artist, 30);
    field({}, 30);
    field({}, 4);
    field({}, 30);
    tag += char(0);
    f.write(tag);
}

class TableDurations final : public FileDurationMs {
public:
    qint32 durationMs(const QString& fileName) override {
        ++calls;
        if (fileName == failing) throw std::runtime_error("probe failed");
        return table.value(fileName, 0);
    }
    QHash<QString, qint32> table;
    QString failing;
    int calls = 0;
};

class RecordingHost final : public EditorHost {
public:
    void showTotals(const QString& text) override { totals = text; }
    void masterRenumbered() override { ++renumbered; }
    qint64 playPositionMs() override { return positionMs; }
    int firstVisibleRow(const PlaylistView&) override { return firstRow; }
    int visibleRowCount(const PlaylistView&) override { return rows; }
    void scrollToRow(const PlaylistView&, int row) override { scrolledTo = row; }
    void centreOn(const PlaylistView&, int row) override { centred = row; }
    void progressOpened(const QString& caption) override {
        captions << caption;
        open = true;
    }
    void progressStepped(int bar, const QString&, const QString& elapsed) override {
        if (bar >= 0) lastBar = bar;
        lastElapsed = elapsed;
    }
    void progressClosed() override { open = false; }

    QString totals;
    int renumbered = 0;
    qint64 positionMs = 0;
    int firstRow = 0;
    int rows = 20;
    int scrolledTo = -2;
    int centred = -1;
    QStringList captions;
    bool open = false;
    int lastBar = -1;
    QString lastElapsed;
};

// A simulated clock at 12:00:00, prompts that record, and an editor over two lists.
class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setClock(&loop);
        setTimerHost(&loop);
        setPrompts(&shown);
        lists.setDurations(&durations);
        editor.setHost(&host);
        editor.setWindowShown(true);
    }
    void TearDown() override { setPrompts(nullptr); }
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList column(const PlaylistView& v, int col) const {
        QStringList out;
        for (int i = 0; i < v.count(); ++i)
            out << v.at(i).Columns[size_t(col)];
        return out;
    }
    QStringList titles(const PlaylistView& v) const { return column(v, kColTitle); }
    TVirtualItem item(const QString& title, const QString& length = "01:00") const {
        TVirtualItem it;
        it.Columns[kColTitle] = title;
        it.Columns[kColDurationText] = length;
        it.Columns[kColFileName] = "/m/" + title + ".mp3";
        return it;
    }

    QTemporaryDir dir;
    SimLoop loop{46365.5, 1};
    RecordingPrompts shown;
    TableDurations durations;
    PlayerPlaylists lists;
    PlayerMessageTable messages;
    RecordingHost host;
    PlaylistEditor editor{lists, messages, dir.path()};
};

} // namespace wc::edittest
