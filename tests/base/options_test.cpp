// "Base.ini": defaults, ranges and the binary layouts of Colors and ColWidth.
#include "base/core/baseoptions.h"
#include "basefixture.h"

#include <gtest/gtest.h>

using namespace wc;
using namespace wc::base;

TEST(BaseOptions, DefaultsWhenNothingIsStored) {
    const BaseOptions o = readBaseOptions(IniFile());
    EXPECT_TRUE(o.noEmpty && o.noError && o.checkTimeOnce && o.parseFileName && o.quickSearch &&
                o.countTime && o.sendToMain);
    EXPECT_FALSE(o.overwriteOnCopy || o.openLastBase || o.tagNoChangeGenre);
    EXPECT_EQ(o.volume, 100);
    EXPECT_EQ(o.monType, 3);
    EXPECT_EQ(o.sendPosition, 1);
    EXPECT_EQ(o.colors, (std::array<quint32, 4>{0x000000, 0x000080, 0x800000, 0x008000}));
    EXPECT_EQ(o.columnWidths, kDefaultColumnWidths);
    EXPECT_EQ(o.counterColor, 0x80u);
    EXPECT_EQ(o.lastBaseName, "---");
    EXPECT_FALSE(o.windowPos.has_value());
}

TEST(BaseOptions, ReadsStoredValuesAndIgnoresWhatIsOutOfRange) {
    IniFile ini;
    ini.parse("[Options]\nNoEmpty=0\nVolume=40\nMonType=7\nSPPos=3\nSPList=0\n"
              "Colors=FF0000000000FF0000FF000012345678\n"
              "ColWidth=010000000A000000FFFFFFFF\nColor1=255\n"
              "[Font]\nName=Sans\nSize=11\nStyle=6\n[Data]\nLastBaseName=/srv/a.dfs\n"
              "[WindowPos]\nX=5\nY=6\nW=0\nH=10\n");
    const BaseOptions o = readBaseOptions(ini);
    EXPECT_FALSE(o.noEmpty);
    EXPECT_EQ(o.volume, 40);
    EXPECT_EQ(o.monType, 3); // 7 is no output type
    EXPECT_EQ(o.sendPosition, 3);
    EXPECT_FALSE(o.sendToMain);
    EXPECT_EQ(o.colors, (std::array<quint32, 4>{0xFF, 0xFF0000, 0xFF00, 0x563412}));
    EXPECT_EQ(o.columnWidths[0], 10);
    EXPECT_EQ(o.columnWidths[1], 160); // -1 is no width
    EXPECT_EQ(o.columnWidths[2], 160); // not stored: the rest stay
    EXPECT_EQ(o.counterColor, 255u);
    EXPECT_EQ(o.fontName, "Sans");
    EXPECT_EQ(o.fontSize, 11);
    EXPECT_EQ(o.fontStyle, 6);
    EXPECT_EQ(o.lastBaseName, "/srv/a.dfs");
    EXPECT_FALSE(o.windowPos.has_value()); // a width of 0 is no position
    // A first ColWidth value of 0 leaves every width at its default.
    IniFile zero;
    zero.parse("[Options]\nColWidth=000000000A000000\n");
    EXPECT_EQ(readBaseOptions(zero).columnWidths, kDefaultColumnWidths);
}

TEST(BaseOptions, WrittenOptionsReadBackAndColWidthHas88Bytes) {
    BaseOptions o;
    o.noError = false;
    o.volume = 0;
    o.monType = 0;
    o.sendPosition = 2;
    o.colors = {1, 2, 3, 0xFFFFFF};
    o.columnWidths = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    o.fontName = "Mono";
    o.fontSize = 14;
    o.lastBaseName = "/x/y.dfs";
    o.windowPos = std::array<int, 4>{-3, 4, 640, 480};
    IniFile ini;
    writeBaseOptions(o, ini);
    EXPECT_EQ(ini.readBinary("Options", "ColWidth").size(), 88);
    EXPECT_EQ(ini.value("Options", "ColWidth")->left(16), "0100000001000000");
    EXPECT_EQ(ini.value("Options", "SPPos"), "2");
    EXPECT_FALSE(ini.hasKey("Options", "Color1"));
    IniFile again;
    again.parse(ini.serialize());
    EXPECT_EQ(readBaseOptions(again), o);
}

#include "base/core/windowrules.h"

TEST(WindowRules, QuickSearchKeys) {
    const std::pair<int, bool> cases[] = {
        {Qt::Key_A, true},      {Qt::Key_Backspace, true}, {Qt::Key_Delete, true},
        {Qt::Key_5, true},      {Qt::Key_F1, false},       {Qt::Key_F12, false},
        {Qt::Key_Left, false},  {Qt::Key_Down, false},     {Qt::Key_PageUp, false},
        {Qt::Key_Home, false},  {Qt::Key_Return, false},   {Qt::Key_Enter, false},
        {Qt::Key_Shift, false}, {Qt::Key_Escape, false},   {Qt::Key_CapsLock, false}};
    for (const auto& [key, runs] : cases)
        EXPECT_EQ(keyRunsQuickSearch(key), runs) << std::hex << key;
}

TEST(WindowRules, SeekIsClampedAndSixtyFourBit) {
    const struct {
        qint64 x, width, length, want;
    } cases[] = {
        {50, 100, 1000, 500},
        {0, 0, 1000, 0},                       // a bar of no width
        {-5, 100, 1000, 0},                    // left of the bar
        {150, 100, 1000, 1000},                // right of the bar
        {99, 100, 7LL * 3600 * 1000, 24948000} // 7 hours: beyond 32 bits in x * length
    };
    for (const auto& c : cases)
        EXPECT_EQ(seekTargetMs(c.x, c.width, c.length), c.want) << c.x << " " << c.width;
}

TEST(WindowRules, TotalTimesAndRowColours) {
    TBaseEntryArr recs{basetest::entry("a", "b", "/x.WMA", 3600000),
                       basetest::entry("a", "b", "/x.ogg", 61000),
                       basetest::entry("a", "b", "/x.wav", 0)};
    EXPECT_EQ(totalTimeText(recs, {0, 1}), "1:01:01");
    EXPECT_EQ(totalTimeText(recs), "1:01:01+");
    EXPECT_EQ(totalTimeText(recs, {}), "0:00:00");
    EXPECT_EQ(rowColourSlot("/x.WMA"), 1);
    EXPECT_EQ(rowColourSlot("/x.ogg"), 2);
    EXPECT_EQ(rowColourSlot("/x.wav"), 3);
    EXPECT_EQ(rowColourSlot("/x.mp3"), 0);
    EXPECT_EQ(rowColourSlot("/x.flac"), 0);
}

TEST(WindowRules, CommandLines) {
    const struct {
        QStringList args;
        bool fromPlayer;
        qint32 player;
        bool hidden;
        QString library;
    } cases[] = {
        {{}, false, 0, false, "---"},
        {{"fromplayer", "12345", "/st/Database/Base.dfs"},
         true,
         12345,
         false,
         "/st/Database/Base.dfs"},
        {{"fromplayer", "x", "/a.dfs"}, true, 0, false, "/a.dfs"},
        {{"fromplayer", "99999999999", "/a.dfs"}, true, 0, false, "/a.dfs"},
        {{"hidden"}, false, 0, true, "---"},
        {{"/music/lib.dfs"}, false, 0, false, "/music/lib.dfs"},
    };
    for (const auto& c : cases) {
        const BaseCommandLine cl = parseBaseCommandLine(c.args);
        EXPECT_EQ(cl.fromPlayer, c.fromPlayer) << c.args.join(' ').toStdString();
        EXPECT_EQ(cl.playerWindow, c.player) << c.args.join(' ').toStdString();
        EXPECT_EQ(cl.hidden, c.hidden);
        EXPECT_EQ(cl.libraryName, c.library);
    }
}

#include "base/core/preview.h"

namespace {

class FakeDeck final : public PreviewDeck {
public:
    int error = 0;
    bool isPlaying = false, isPaused = false;
    qint64 pos = 0, len = 0, seekedTo = -1;
    int pan = 0, volume = -1, opens = 0;
    int play(const QString&) override {
        ++opens;
        if (error) return error;
        isPlaying = true;
        isPaused = false;
        return 0;
    }
    void pause() override {
        isPlaying = false;
        isPaused = true;
    }
    void resume() override {
        isPlaying = true;
        isPaused = false;
    }
    void stop() override { isPlaying = isPaused = false; }
    bool playing() const override { return isPlaying; }
    bool paused() const override { return isPaused; }
    qint64 positionMs() const override { return pos; }
    qint64 lengthMs() const override { return len; }
    void seekMs(qint64 ms) override { seekedTo = ms; }
    void setPan(int p) override { pan = p; }
    void setVolume(int v) override { volume = v; }
    void setRearSpeakers(bool r) override { rear = r; }
    bool rear = false;
};

} // namespace

TEST(Preview, TransportDisplayAndSeeking) {
    FakeDeck deck;
    PreviewController c(deck);
    c.setSliderPosition(30);
    c.setMonType(1);
    EXPECT_TRUE(deck.rear);
    c.setMonType(0);
    EXPECT_FALSE(deck.rear);
    EXPECT_EQ(c.display().time, "00:00/00:00");
    deck.len = 7LL * 3600 * 1000; // seven hours: past 32 bits in the arithmetic
    ASSERT_EQ(c.play(basetest::entry(" Art ", "Song ", "/m/x.mp3")), 0);
    EXPECT_EQ(deck.volume, 70);
    EXPECT_EQ(deck.pan, -100);
    deck.pos = 3600 * 1000;
    PreviewController::Display d = c.display();
    EXPECT_EQ(d.time, "60:00/420:00");
    EXPECT_EQ(d.bar, 14);
    EXPECT_EQ(d.title, "Art - Song");
    c.seekTo(50, 100);
    EXPECT_EQ(deck.seekedTo, 3LL * 3600 * 1000 + 1800 * 1000);
    deck.seekedTo = -1;
    c.seekTo(10, 0); // a bar of no width: nothing
    EXPECT_EQ(deck.seekedTo, -1);
    c.togglePause();
    EXPECT_TRUE(deck.isPaused);
    EXPECT_FALSE(c.timerWanted());
    ASSERT_EQ(c.play(basetest::entry("a", "b")), 0); // Play resumes a paused deck
    EXPECT_EQ(deck.opens, 1);
    EXPECT_TRUE(deck.isPlaying);
    c.stop();
    EXPECT_EQ(c.display().title, "");
    // No tags: the file's title; an error is returned and nothing plays.
    ASSERT_EQ(c.play(basetest::entry("", "", "/m/Just A Name.ogg")), 0);
    EXPECT_EQ(c.display().title, "Just A Name");
    deck.stop();
    deck.error = 2;
    EXPECT_EQ(c.play(basetest::entry("a", "b")), 2);
    EXPECT_FALSE(deck.isPlaying);
}

#include "base/core/errorlog.h"
#include "base/core/jobrunner.h"
#include "base/core/librarymodel.h"
#include "common/paths.h"
#include "common/simloop.h"

#include <QTemporaryDir>
#include <stdexcept>

namespace {

class ThrowingJob final : public Job {
public:
    int steps = 0;
    bool step() override {
        if (++steps == 3) throw std::runtime_error("disk gone");
        return true;
    }
    int percent() const override { return steps; }
    QString operation() const override { return QStringLiteral("CountAllTime"); }
};

} // namespace

TEST(ErrorLog, AnUnexpectedFailureEndsTheJobAndGoesToTheReportFolder) {
    QTemporaryDir home;
    qputenv("WAVECREST_HOME", home.path().toUtf8());
    setProgramDirFrom(QStringLiteral("/nonexistent/base"));
    SimLoop loop;
    setClock(&loop);
    setTimerHost(&loop);
    JobRunner runner(20, 1);
    bool done = false;
    auto job = std::make_unique<ThrowingJob>();
    ThrowingJob* raw = job.get();
    runner.start(std::move(job), {}, [&](Job& j) {
        done = true;
        EXPECT_EQ(&j, raw);
    });
    ASSERT_TRUE(loop.runUntil([&] { return done; }, 10000));
    EXPECT_TRUE(runner.failed());
    LibraryModel m;
    m.append(basetest::entry("a", "b"));
    ErrorLog("id3v11Click", "cannot write", &m);
    const QByteArray text = basetest::readFile(home.filePath("Report/Error_base.txt"));
    const QByteArray rule(49, '=');
    EXPECT_TRUE(text.startsWith(
        rule + "\r\nException \"disk gone\" in function \"CountAllTime\"\r\n" + rule + "\r\n\r\n"))
        << text.constData();
    EXPECT_TRUE(text.contains("Exception \"cannot write\" in function \"id3v11Click\"\r\n"));
    EXPECT_TRUE(text.contains("List2.Count = 1\r\n"));
    setClock(nullptr);
    setTimerHost(nullptr);
    qunsetenv("WAVECREST_HOME");
}
