// The conversion window's protocol with the encoder helper, on a recorded launcher; and two
// files converted through the shipped helper and lame into playable MP3 files.
#include "audio/decoder.h"
#include "common/messages.h"
#include "encoder/encodercommand.h"
#include "platform/messagebus.h"
#include "player/core/edit/conversion.h"
#include "player/core/profile/profile.h"
#include "player/core/settings/encoderpresets.h"
#include "tests/player/wavtone.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace wc;

namespace {

struct Launched {
    QString program;
    QStringList args;
};

class SessionTest : public ::testing::Test {
protected:
    ConversionSession session{{"/m/a b.wav", "/m/it's \"q\".wav"},
                              77,
                              "/station/encoder",
                              [this] { return profile; },
                              [this](const QString& p, const QStringList& a) {
                                  launched.push_back({p, a});
                              }};
    EncoderProfile profile{"lame.exe -h - ::s", "/out", "mp3", "MP3 Lame, 128 kbps"};
    std::vector<Launched> launched;
};

TEST_F(SessionTest, FilesStartOneAtATimeWithArgumentLists) {
    EXPECT_EQ(session.caption(), "Encoding files...");
    EXPECT_EQ(session.message(2, 0), 0); // the window's own start
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0].program, "/station/encoder");
    EXPECT_EQ(launched[0].args,
              (QStringList{"77", "/m/a b.wav", "/out", "mp3", "lame.exe", "-h", "-", "::s"}));
    EXPECT_EQ(session.caption(), "Encoding file 1 of 2...");
    EXPECT_EQ(session.text(), "MP3 Lame, 128 kbps");
    EXPECT_EQ(session.message(0, 100), 0);
    EXPECT_EQ(session.message(1, 40), 0);
    EXPECT_EQ(session.barMaximum(), 100);
    EXPECT_EQ(session.barPosition(), 40);
    // The profile is read again for every file; a name with quotes is one argument.
    profile.outDir = "/out2";
    EXPECT_EQ(session.message(2, 0), 0);
    ASSERT_EQ(launched.size(), 2u);
    EXPECT_EQ(launched[1].args.mid(1, 2), (QStringList{"/m/it's \"q\".wav", "/out2"}));
    EXPECT_EQ(session.barMaximum(), 10);
    EXPECT_EQ(session.message(7, 0), 0); // ignored
    EXPECT_EQ(session.message(2, 0), 0);
    EXPECT_TRUE(session.finished());
    EXPECT_TRUE(session.destroyed());
    EXPECT_EQ(launched.size(), 2u);
}

TEST_F(SessionTest, ClosingMidwayStopsTheHelperAndStartsNothingMore) {
    session.message(2, 0);
    session.message(1, 10);
    session.close();
    EXPECT_TRUE(session.hidden());
    EXPECT_FALSE(session.destroyed());
    EXPECT_EQ(session.caption(), "Encoding file 1 of 2... [terminating]");
    EXPECT_EQ(session.message(1, 20), 1); // the helper is told to stop
    EXPECT_TRUE(session.finished());
    EXPECT_EQ(session.message(2, 0), 0); // its last report closes the window for good
    EXPECT_TRUE(session.destroyed());
    EXPECT_EQ(launched.size(), 1u);
}

TEST(EncoderCommand, ArgumentsOutputAndProgram) {
    EXPECT_FALSE(encoder::parseEncoderArgs({"1", "/a.wav", "/o"}));
    EXPECT_FALSE(encoder::parseEncoderArgs({"x", "/a.wav", "/o", "mp3", "lame"}));
    const auto c =
        encoder::parseEncoderArgs({"5", "/m/a.b.wav", "/o", ".mp3", "lame.exe", "-h", "-", "::s"});
    ASSERT_TRUE(c);
    EXPECT_EQ(encoder::outputFile(*c), "/o/a.b.mp3");
    EXPECT_EQ(encoder::programArgs(*c), (QStringList{"-h", "-", "/o/a.b.mp3"}));
    EXPECT_FALSE(encoder::resolveProgram("lame.exe", "/nowhere").isEmpty());
    EXPECT_TRUE(encoder::resolveProgram("no-such-encoder.exe", "/nowhere").isEmpty());
}

// The bus serves the window's endpoint from the event loop while the helper runs.
bool runUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

TEST(Conversion, TwoFilesThroughTheShippedEncoderAndLame) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("out"));
    const QString a = dir.filePath("one.wav"), b = dir.filePath("two's \"x\".wav");
    test::writeTone(a, 2.0, 440.0);
    test::writeTone(b, 1.5, 660.0);
    std::unique_ptr<ConversionSession> session;
    std::vector<std::unique_ptr<QProcess>> procs;
    Endpoint window("TProgFrm", "Encoding files...", [&](quint32 msg, qint64 w, qint64 l) {
        return msg == MSG_ENCODER_PROGRESS && session ? session->message(w, l) : qint64(0);
    });
    const EncoderProfile profile{"lame.exe -h - ::s", dir.filePath("out"), "mp3", "MP3"};
    session = std::make_unique<ConversionSession>(
        QStringList{a, b}, window.handle(), WC_ENCODER_EXE, [&] { return profile; },
        [&](const QString& program, const QStringList& args) {
            procs.push_back(std::make_unique<QProcess>());
            procs.back()->start(program, args);
        });
    session->message(2, 0);
    ASSERT_TRUE(runUntil([&] { return session->destroyed(); }, 60000));
    for (auto& p : procs)
        p->waitForFinished(10000);
    EXPECT_EQ(procs.size(), 2u);
    for (const auto& [name, seconds] :
         {std::pair{"out/one.mp3", 2.0}, {"out/two's \"x\".mp3", 1.5}}) {
        SCOPED_TRACE(name);
        audio::FileDecoder d;
        ASSERT_EQ(d.open(dir.filePath(name)), audio::kOk);
        EXPECT_NEAR(double(d.lengthFrames()) / d.rate(), seconds, 0.06);
    }
}

// The presets shipped in the program folder: the first is the profile's default encoder, and
// every one of them converts through the helper into a file of the source's length.
TEST(Conversion, EveryShippedPresetConverts) {
    PresetReadStatus status = PresetReadStatus::Unreadable;
    const TEncoderPresets presets =
        readEncoderPresetFile(WC_SOURCE_DIR "/dist/Presets/Encoder.prs", &status);
    ASSERT_EQ(status, PresetReadStatus::Ok);
    ASSERT_FALSE(presets.empty());
    const TProfile defaults;
    EXPECT_EQ(presets[0].name, defaults.EncoderPresetName);
    EXPECT_EQ(presets[0].command, defaults.EncoderCommand);
    EXPECT_EQ(presets[0].ext, defaults.EncoderExt);
    QTemporaryDir dir;
    const QString source = dir.filePath("one.wav");
    test::writeTone(source, 1.0, 440.0);
    for (const TEncoderPreset& preset : presets) {
        SCOPED_TRACE(preset.name.toStdString());
        const QString out = dir.filePath(preset.name);
        QDir().mkpath(out);
        std::unique_ptr<ConversionSession> session;
        std::vector<std::unique_ptr<QProcess>> procs;
        Endpoint window("TProgFrm", "Encoding files...", [&](quint32 msg, qint64 w, qint64 l) {
            return msg == MSG_ENCODER_PROGRESS && session ? session->message(w, l) : qint64(0);
        });
        const EncoderProfile profile{preset.command, out, preset.ext, preset.name};
        session = std::make_unique<ConversionSession>(
            QStringList{source}, window.handle(), WC_ENCODER_EXE, [&] { return profile; },
            [&](const QString& program, const QStringList& args) {
                procs.push_back(std::make_unique<QProcess>());
                procs.back()->start(program, args);
            });
        session->message(2, 0);
        ASSERT_TRUE(runUntil([&] { return session->destroyed(); }, 60000));
        for (auto& p : procs)
            p->waitForFinished(10000);
        audio::FileDecoder d;
        ASSERT_EQ(d.open(out + "/one." + preset.ext), audio::kOk);
        EXPECT_NEAR(double(d.lengthFrames()) / d.rate(), 1.0, 0.06);
    }
}

TEST(Conversion, ClosingMidwayStartsNoFurtherFileAndLeavesNoHalfFile) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("out"));
    const QString a = dir.filePath("long.wav"), b = dir.filePath("next.wav");
    test::writeTone(a, 30.0, 440.0);
    test::writeTone(b, 1.0, 660.0);
    std::unique_ptr<ConversionSession> session;
    std::vector<std::unique_ptr<QProcess>> procs;
    Endpoint window("TProgFrm", "Encoding files...", [&](quint32 msg, qint64 w, qint64 l) {
        if (msg != MSG_ENCODER_PROGRESS || !session) return qint64(0);
        // The user closes the window once the first file is under way.
        if (w == 1 && l >= 5 && !session->terminating()) session->close();
        return session->message(w, l);
    });
    const EncoderProfile profile{"lame.exe -h - ::s", dir.filePath("out"), "mp3", "MP3"};
    session = std::make_unique<ConversionSession>(
        QStringList{a, b}, window.handle(), WC_ENCODER_EXE, [&] { return profile; },
        [&](const QString& program, const QStringList& args) {
            procs.push_back(std::make_unique<QProcess>());
            procs.back()->start(program, args);
        });
    session->message(2, 0);
    ASSERT_TRUE(runUntil([&] { return session->destroyed(); }, 60000));
    for (auto& p : procs)
        p->waitForFinished(10000);
    EXPECT_EQ(procs.size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("out/long.mp3")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("out/next.mp3")));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
