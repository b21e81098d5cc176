// The library window's preview transport on the audio engine, with what it plays rendered on
// the manual output device in simulated time: play, pause, resume, seek by the bar, stop, the
// left-channel output type, the volume slider, and the error box of a file that cannot be
// played. And the lengths the library program measures on its workers against a full decode.
#include "../audio/fixtures.h"
#include "audio/audioengine.h"
#include "audio/audiosystem.h"
#include "audio/quicklength.h"
#include "audiofiles.h"
#include "base/audioprobe.h"
#include "base/core/building.h"
#include "base/ui/enginedeck.h"
#include "base/ui/filechooser.h"
#include "base/ui/tbasemainwindow.h"
#include "basefixture.h"
#include "common/errortext.h"
#include "common/paths.h"
#include "common/settings.h"
#include "common/simloop.h"
#include "platform/prompts.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace wc;
using namespace wc::base;
using basetest::entry;

namespace {

class NoDialogs final : public FileChooser {
public:
    QString folder(QWidget*, const QString&, const QString&) override { return {}; }
    QStringList openFiles(QWidget*, const QString&) override { return {}; }
    QString openFile(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    std::optional<QFont> font(QWidget*, const QFont&) override { return std::nullopt; }
    std::optional<QColor> colour(QWidget*, const QColor&) override { return std::nullopt; }
};

class NoProbe final : public FileDurationMs {
public:
    qint32 durationMs(const QString&) override { return 0; }
};

class PreviewSound : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("WAVECREST_HOME", home.path().toUtf8());
        qputenv("WAVECREST_RUNTIME_DIR", runtime.path().toUtf8());
        setProgramDirFrom(QStringLiteral("/nonexistent/base"));
        setClock(&loop);
        setTimerHost(&loop);
        setPrompts(&rec);
        auto& sys = audio::AudioSystem::instance();
        sys.setManualOutput(true);
        sys.setManualTap(
            [this](const float* s, int n) { out.insert(out.end(), s, s + std::size_t(n) * 2); });
        sys.attachSimLoop(loop);
        TSystemIni settings;
        audio::InitGlobals(settings);
    }
    void TearDown() override {
        auto& sys = audio::AudioSystem::instance();
        sys.setManualTap({});
        sys.shutdown();
        sys.setGlobalVolume(100);
        setPrompts(nullptr);
        setClock(nullptr);
        setTimerHost(nullptr);
        qunsetenv("WAVECREST_HOME");
        qunsetenv("WAVECREST_RUNTIME_DIR");
    }
    // The loudest sample of one channel (0 left, 1 right) rendered since frame `from`.
    float peak(std::size_t from, int channel) const {
        float p = 0;
        for (std::size_t i = from; i < out.size() / 2; ++i)
            p = std::max(p, std::abs(out[2 * i + std::size_t(channel)]));
        return p;
    }
    std::size_t frames() const { return out.size() / 2; }
    template <class W> W* child(QWidget& w, const char* name) {
        W* c = w.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    void click(QWidget& w, const char* name) { child<QPushButton>(w, name)->click(); }

    QTemporaryDir home, runtime, music;
    SimLoop loop{46365.5, 10};
    RecordingPrompts rec;
    NoDialogs dialogs;
    NoProbe probe;
    std::vector<float> out;
};

} // namespace

TEST_F(PreviewSound, TransportPlaysPausesSeeksAndStopsWhatIsHeard) {
    const QString tone = music.filePath("tone.wav");
    ASSERT_TRUE(audio::test::writeWav(tone, audio::test::sine(2.0, 440.0, 0.5)));
    const QString junk = music.filePath("junk.mp3");
    basetest::writeFile(junk, QByteArray(4000, 'j'));
    EngineDeck deck(1);
    TBaseMainWindow w({}, probe, dialogs, &deck);
    w.show();
    w.library().append(entry("Band", "Tone", tone, 2000));
    w.library().append(entry("Band", "Junk", junk, 0));
    w.resetSearch();
    w.list()->selectRow(0);
    auto* time = child<QLabel>(w, "lbPreviewTime");
    auto* bar = child<QProgressBar>(w, "pbPreview");

    click(w, "btPlay");
    loop.runFor(1200);
    EXPECT_GT(peak(0, 0), 0.4f);
    EXPECT_GT(peak(0, 1), 0.4f);
    EXPECT_EQ(time->text(), "00:01/00:02");
    EXPECT_EQ(child<QLabel>(w, "lbPreviewTitle")->text(), "Band - Tone");
    EXPECT_GE(bar->value(), 50);

    // Paused: silence after the deck's short fade, and the position holds.
    click(w, "btPause");
    loop.runFor(100);
    std::size_t mark = frames();
    loop.runFor(300);
    EXPECT_EQ(peak(mark, 0), 0.0f);
    const QString held = time->text();
    click(w, "btPause");
    mark = frames();
    loop.runFor(200);
    EXPECT_GT(peak(mark, 0), 0.4f);
    EXPECT_EQ(time->text(), held);

    // A click at a tenth of the bar goes back to a tenth of the file.
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 10, bar->height() / 2));
    loop.runFor(150);
    EXPECT_LE(bar->value(), 25);
    EXPECT_EQ(time->text(), "00:00/00:02");

    click(w, "btStop");
    loop.runFor(100);
    mark = frames();
    loop.runFor(300);
    EXPECT_EQ(peak(mark, 0), 0.0f);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(time->text(), "00:00/00:00");

    // Output type 0: the left channel only.
    BaseOptions o = w.options();
    o.monType = 0;
    w.setOptions(o);
    click(w, "btPlay");
    loop.runFor(200);
    mark = frames();
    loop.runFor(300);
    EXPECT_GT(peak(mark, 0), 0.2f);
    EXPECT_LT(peak(mark, 1), 0.001f);

    // The volume slider at the top is silence (the volume is 100 minus its position).
    child<QSlider>(w, "tbVolume")->setValue(100);
    click(w, "btStop");
    click(w, "btPlay");
    loop.runFor(200);
    mark = frames();
    loop.runFor(300);
    EXPECT_LT(peak(mark, 0), 0.001f);
    child<QSlider>(w, "tbVolume")->setValue(0);

    // A file that cannot be played: one error box with the number and its text.
    click(w, "btNext");
    ASSERT_EQ(rec.shown.size(), 1u);
    EXPECT_EQ(rec.shown[0].caption, "Error");
    const QRegularExpressionMatch m =
        QRegularExpression(R"(^File can't be played\. Error: (\d+) \((.+)\)$)")
            .match(rec.shown[0].text);
    ASSERT_TRUE(m.hasMatch()) << rec.shown[0].text.toStdString();
    EXPECT_EQ(m.captured(2), ErrorText(m.captured(1).toInt()));
    EXPECT_NE(m.captured(2), "No description");
}

TEST(LibraryLengths, WorkersMeasureWhatAFullDecodeMeasures) {
    basetest::TaggedFiles tagged;
    ASSERT_TRUE(tagged.made);
    // Longer files of every kind the headers are read for, and one that must be decoded.
    QTemporaryDir dir;
    const QString wav = dir.filePath("long.wav");
    ASSERT_TRUE(audio::test::writeWav(wav, audio::test::sine(31.7, 330.0, 0.4)));
    struct Made {
        QString path;
        QStringList args; // encoder and arguments; the input and output are put in
    };
    const std::vector<Made> made = {
        {dir.filePath("vbr.mp3"), {"lame", "--quiet", "-V", "5"}},
        {dir.filePath("cbr_notag.mp3"), {"lame", "--quiet", "-b", "112", "-t"}},
        {dir.filePath("vbr_notag.mp3"), {"lame", "--quiet", "-V", "3", "-t"}},
        {dir.filePath("q2.ogg"), {"oggenc", "--quiet", "-q", "2", "-o"}},
        {dir.filePath("v2.wma"),
         {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-c:a", "wmav2"}},
        {dir.filePath("a.aac"), {"ffmpeg", "-nostdin", "-loglevel", "error", "-y"}},
    };
    LibraryModel m;
    for (const QString& f : {tagged.mp3, tagged.ogg, tagged.wma, wav})
        m.append(entry("a", "t", f));
    for (const Made& k : made) {
        QStringList args = k.args.mid(1);
        const QString program = k.args.front();
        if (program == "lame")
            args << wav << k.path;
        else if (program == "oggenc")
            args << k.path << wav;
        else
            args = QStringList{"-nostdin", "-loglevel", "error", "-y", "-i", wav} + args.mid(4) +
                   QStringList{k.path};
        ASSERT_TRUE(audio::test::run(program, args)) << k.path.toStdString();
        m.append(entry("a", "t", k.path));
    }
    m.append(entry("a", "t", dir.filePath("missing.mp3")));
    AudioProbe probe;
    LengthWorkers workers(probe, 2);
    std::vector<int> all;
    for (int i = 0; i < m.count(); ++i)
        all.push_back(i);
    CountJob job(m, all, true, probe, &workers);
    JobRunner::runToEnd(job);
    EXPECT_EQ(job.measuredCount(), m.count());
    for (int i = 0; i + 1 < m.count(); ++i) {
        const QString f = m.record(i).fileName;
        const int decoded = audio::FileDurationMs(f);
        ASSERT_GT(decoded, 0) << f.toStdString();
        EXPECT_NEAR(double(m.record(i).durationMs), double(decoded), 50.0) << f.toStdString();
    }
    EXPECT_EQ(m.record(m.count() - 1).durationMs, 0u); // not 4294967295
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
