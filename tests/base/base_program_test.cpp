// The real base program, unattended: "--scan" on a generated tree of MP3, Ogg, WMA and WAV
// files writes a library whose titles, artists and lengths match the files, and "--check"
// reports a file that was deleted afterwards.
#include "../audio/fixtures.h"
#include "basefixture.h"
#include "common/library/libraryfile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <map>

#include "platform/messagebus.h"

using namespace wc;
namespace at = wc::audio::test;

namespace {

struct Made {
    QString artist, title;
    qint64 decodedMs; // the length a full decode gives
};

// The length of a full decode with ffmpeg (mono 44.1 kHz 16-bit: two bytes a sample).
qint64 fullDecodeMs(const QString& file, const QString& scratch) {
    const QString raw = scratch + "/decoded.raw";
    if (!at::run("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-i", file, "-f", "s16le",
                            "-ac", "1", "-ar", "44100", raw}))
        return -1;
    const qint64 samples = QFileInfo(raw).size() / 2;
    QFile::remove(raw);
    return samples * 1000 / 44100;
}

class BaseProgram : public ::testing::Test {
protected:
    void SetUp() override {
        env = QProcessEnvironment::systemEnvironment();
        env.insert("WAVECREST_HOME", home.path());
        env.insert("WAVECREST_RUNTIME_DIR", runtime.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
    }
    struct Result {
        int exitCode;
        QString out, err;
    };
    Result run(const QStringList& args) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(WC_BASE_EXE), args);
        EXPECT_TRUE(p.waitForFinished(120000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    QTemporaryDir home, runtime, music, scratch;
    QProcessEnvironment env;
};

} // namespace

TEST_F(BaseProgram, ScanWritesTagsAndLengthsAndCheckReportsADeletedFile) {
    const QString wav = scratch.filePath("tone.wav");
    std::map<QString, Made> made; // by path
    auto tone = [&](double seconds, double freq) {
        EXPECT_TRUE(at::writeWav(wav, at::sine(seconds, freq)));
    };
    // MP3 with ID3v1 from lame.
    tone(3.2, 440);
    const QString mp3 = music.filePath("rock/b/Track.mp3");
    QDir().mkpath(QFileInfo(mp3).path());
    ASSERT_TRUE(at::run("lame", {"--quiet", "-b", "128", "--id3v1-only", "--tt", "Mp3 Title",
                                 "--ta", "Mp3 Artist", wav, mp3}));
    made[mp3] = {"Mp3 Artist", "Mp3 Title", 0};
    // Ogg Vorbis with a comment header.
    tone(2.5, 330);
    const QString ogg = music.filePath("rock/a/song.ogg");
    QDir().mkpath(QFileInfo(ogg).path());
    ASSERT_TRUE(at::run("oggenc", {"-Q", "-t", "Ogg Title", "-a", "Ogg Artist", "-o", ogg, wav}));
    made[ogg] = {"Ogg Artist", "Ogg Title", 0};
    // WMA with ASF attributes.
    tone(4.1, 550);
    const QString wma = music.filePath("other/piece.wma");
    QDir().mkpath(QFileInfo(wma).path());
    ASSERT_TRUE(at::ffmpegConvert(wav, wma,
                                  {"-c:a", "wmav2", "-b:a", "128k", "-metadata", "title=Wma Title",
                                   "-metadata", "artist=Wma Artist"}));
    made[wma] = {"Wma Artist", "Wma Title", 0};
    // WAV without a tag: artist and title from the name.
    const QString plain = music.filePath("other/Wav Artist - Wav Title.wav");
    ASSERT_TRUE(at::writeWav(plain, at::sine(1.7, 220)));
    made[plain] = {"Wav Artist", "Wav Title", 0};
    for (auto& [path, m] : made) {
        m.decodedMs = fullDecodeMs(path, scratch.path());
        ASSERT_GT(m.decodedMs, 1000) << path.toStdString();
    }
    // A link to the parent folder must not make the scan loop.
    ASSERT_TRUE(QFile::link(music.path(), music.filePath("rock/loop")));

    const QString lib = scratch.filePath("out/lib.dfs");
    QDir().mkpath(scratch.filePath("out"));
    const Result scan =
        run({"--scan", music.filePath("rock"), music.filePath("other"), "--output", lib});
    ASSERT_EQ(scan.exitCode, 0) << scan.err.toStdString();
    EXPECT_TRUE(scan.err.contains("%")) << scan.err.toStdString(); // progress on stderr
    LibraryReadStatus status;
    const TBaseEntryArr records = readLibraryFile(lib, &status);
    ASSERT_EQ(status, LibraryReadStatus::Ok);
    ASSERT_EQ(records.size(), made.size());
    // Folders in the order given, names sorted within each.
    EXPECT_EQ(records[0].fileName, ogg);
    EXPECT_EQ(records[1].fileName, mp3);
    for (const TBaseEntry& e : records) {
        ASSERT_TRUE(made.count(e.fileName)) << e.fileName.toStdString();
        const Made& m = made[e.fileName];
        EXPECT_EQ(e.artist, m.artist) << e.fileName.toStdString();
        EXPECT_EQ(e.title, m.title) << e.fileName.toStdString();
        EXPECT_NEAR(double(e.durationMs), double(m.decodedMs), 50.0) << e.fileName.toStdString();
        EXPECT_EQ(e.fileSize, quint32(QFileInfo(e.fileName).size()));
    }

    // Scanning again adds to the existing library.
    const Result again = run({"--scan", music.filePath("other"), "--output", lib});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(readLibraryFile(lib).size(), made.size() + 2);

    const Result clean = run({"--check", lib});
    EXPECT_EQ(clean.exitCode, 0) << clean.err.toStdString();
    EXPECT_TRUE(clean.out.isEmpty());
    ASSERT_TRUE(QFile::remove(ogg));
    const Result check = run({"--check", lib});
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_EQ(check.out, ogg + "\n");
    EXPECT_TRUE(check.err.contains("1 of 6 files are missing")) << check.err.toStdString();
    // --check removes nothing.
    EXPECT_EQ(readLibraryFile(lib).size(), made.size() + 2);
}

// The formats whose tags are read through TagLib: a scan takes FLAC, Opus, FLAC in Ogg, MP4
// audio and an MP3 whose only tag is ID3v2, with their tags' titles and artists, and lengths
// that agree with a full decode.
TEST_F(BaseProgram, ScanTakesTheNewerFormatsWithTheirTagsAndLengths) {
    const QString wav = scratch.filePath("tone.wav");
    ASSERT_TRUE(at::writeWav(wav, at::sine(3.3, 440)));
    struct Case {
        const char* name;
        QStringList codec;
    };
    const Case cases[] = {
        {"a.flac", {"-c:a", "flac"}},
        {"b.opus", {"-c:a", "libopus"}},
        {"c.oga", {"-c:a", "flac", "-f", "ogg"}},
        {"d.m4a", {"-c:a", "aac"}},
    };
    std::map<QString, Made> made;
    for (const Case& c : cases) {
        const QString out = music.filePath(c.name);
        ASSERT_TRUE(at::ffmpegConvert(
            wav, out,
            QStringList(c.codec) << "-metadata" << QString("title=Title ") + c.name << "-metadata"
                                 << "artist=Artist"))
            << c.name;
        made[out] = {"Artist", QString("Title ") + c.name, 0};
    }
    const QString mp3 = music.filePath("e.mp3");
    ASSERT_TRUE(at::run(
        "lame", {"--quiet", "--id3v2-only", "--tt", "Title e.mp3", "--ta", "Artist", wav, mp3}));
    made[mp3] = {"Artist", "Title e.mp3", 0};
    for (auto& [path, m] : made)
        m.decodedMs = fullDecodeMs(path, scratch.path());

    const QString lib = scratch.filePath("new.dfs");
    const Result scan = run({"--scan", music.path(), "--output", lib});
    ASSERT_EQ(scan.exitCode, 0) << scan.err.toStdString();
    const TBaseEntryArr records = readLibraryFile(lib);
    ASSERT_EQ(records.size(), made.size());
    for (const TBaseEntry& e : records) {
        SCOPED_TRACE(e.fileName.toStdString());
        ASSERT_TRUE(made.count(e.fileName));
        const Made& m = made[e.fileName];
        EXPECT_EQ(e.artist, m.artist);
        EXPECT_EQ(e.title, m.title);
        EXPECT_NEAR(double(e.durationMs), double(m.decodedMs), 50.0);
    }
}

TEST_F(BaseProgram, WrongCommandLinesAndUnusableLibraries) {
    const struct {
        QStringList args;
        int code;
    } cases[] = {
        {{"--scan", music.path()}, 2},
        {{"--scan", "--output", scratch.filePath("x.dfs")}, 2},
        {{"--scan", music.filePath("none"), "--output", scratch.filePath("x.dfs")}, 2},
        {{"--check"}, 2},
        {{"--check", scratch.filePath("none.dfs")}, 3},
        {{"--scan", music.path(), "--output", scratch.filePath("no/such/dir/x.dfs")}, 3},
    };
    for (const auto& c : cases) {
        const Result r = run(c.args);
        EXPECT_EQ(r.exitCode, c.code) << c.args.join(' ').toStdString();
    }
    // An empty folder still gives a (0-byte) library.
    const Result r = run({"--scan", music.path(), "--output", scratch.filePath("empty.dfs")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(QFileInfo::exists(scratch.filePath("empty.dfs")));
}

namespace {

// Starts the window program and waits until its window is on the bus; stops it with SIGTERM.
class RunningBase {
public:
    RunningBase(const QProcessEnvironment& env, const QStringList& args) {
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral(WC_BASE_EXE), args);
        started = p.waitForStarted(10000);
    }
    // Polls the bus for the window (no sleeping: each round waits on the process for a bit).
    bool waitForWindow(const QString& runtime) {
        qputenv("WAVECREST_RUNTIME_DIR", runtime.toUtf8());
        for (int i = 0; i < 400; ++i) {
            if (findWindow("TBase_main_window", QString()) != 0) return true;
            if (p.waitForFinished(25)) return false;
        }
        return false;
    }
    int stop() {
        ::kill(pid_t(p.processId()), SIGTERM);
        if (!p.waitForFinished(20000)) {
            p.kill();
            p.waitForFinished(5000);
            return -1;
        }
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QProcess p;
    bool started = false;
};

} // namespace

TEST_F(BaseProgram, WindowOpensTheGivenLibraryWritesBaseIniAndHiddenWritesNone) {
    env.insert("XDG_DATA_HOME", scratch.filePath("xdg"));
    // Output device 0: no sound.
    basetest::writeFile(home.filePath("system.ini"), "[Device]\r\nMainDev=0\r\nSecondDev=0\r\n");
    // No MIME cache refresh running on after the program, inside the folder the test removes.
    env.insert("PATH", scratch.filePath("no-tools"));
    const QString lib = scratch.filePath("my.dfs");
    ASSERT_TRUE(writeLibraryFile(lib, {basetest::entry("a", "b", "/m/x.mp3", 1000)}));
    {
        RunningBase b(env, {"fromplayer", "12345", lib});
        ASSERT_TRUE(b.started);
        ASSERT_TRUE(b.waitForWindow(runtime.path()));
        EXPECT_EQ(b.stop(), 0);
    }
    const QString ini = QString::fromUtf8(basetest::readFile(home.filePath("Base.ini")));
    EXPECT_TRUE(ini.contains("LastBaseName=" + lib)) << ini.toStdString();
    EXPECT_TRUE(ini.contains("ColWidth=01000000")) << ini.toStdString();
    // The library files are associated with the program.
    EXPECT_TRUE(QFileInfo::exists(scratch.filePath("xdg/applications/wavecrest-base.desktop")));
    ASSERT_TRUE(QFile::remove(home.filePath("Base.ini")));
    {
        RunningBase b(env, {"hidden"});
        ASSERT_TRUE(b.started);
        ASSERT_TRUE(b.waitForWindow(runtime.path()));
        EXPECT_EQ(b.stop(), 0);
    }
    EXPECT_FALSE(QFileInfo::exists(home.filePath("Base.ini")));
    qunsetenv("WAVECREST_RUNTIME_DIR");
}
