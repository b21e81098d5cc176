// Command files and command texts come from outside (files in playlists, schedule targets,
// `player --command`): any bytes must be read or refused without a crash, and every line must
// run through the interpreter with fakes behind all its effects. The first visible row comes
// back after every command, and a refused file yields no lines.
#include "common/random.h"
#include "player/core/commands/commandinterpreter.h"
#include "player/core/edit/playlisteditor.h"
#include "player/core/messagetable.h"
#include "player/core/playback/commandfile.h"
#include "player/core/playlist/playerplaylists.h"
#include "tests/commands/fakes.h"

#include <cstdint>
#include <cstdlib>

namespace {

struct QuietHost final : wc::CommandHost {
    void logEvent(const QString&) override {}
};

struct RowHost final : wc::EditorHost {
    int top = 3;
    int firstVisibleRow(const wc::PlaylistView&) override { return top; }
    void scrollToRow(const wc::PlaylistView&, int row) override { top = row; }
    void repaint() override { top = 0; }
};

struct World {
    World() {
        editor.setHost(&rows);
        editor.setWindowShown(true);
        editor.settings.readTrackInfoType = 1; // no file is read while items are added
    }
    wc::PlayerPlaylists lists;
    wc::PlayerMessageTable messages;
    wc::PlaylistEditor editor{lists, messages, QString()};
    RowHost rows;
    QuietHost host;
    wc::SeededRandom random{1};
    wc::commands::test::FakeSerialPorts serial;
    wc::commands::test::FakePower power;
    wc::CommandInterpreter interp{
        lists, editor, host, random, serial, power, "/nonexistent/", "/nonexistent/system.ini"};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World w;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList lines;
    QString error;
    const bool read = wc::parseCommandFile(bytes, &lines, &error);
    if (!read && (!lines.isEmpty() || error.isEmpty())) std::abort();
    if (lines.size() > wc::kMaxCommandFileLines) std::abort();
    for (const QString& line : lines) {
        w.rows.top = 3;
        w.interp.RunCommand(line);
        if (w.rows.top != 3) std::abort();
    }
    w.interp.RunCommand(QString::fromUtf8(bytes));
    // Keep the lists small from one input to the next.
    if (w.lists.LVMaster.count() > 200) w.lists.LVMaster.ClearItems();
    return 0;
}
