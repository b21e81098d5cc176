// The device lister: its lines, and the program's --list output; PulseAudio sinks as output
// devices, on a PulseAudio server of the test's own.
#include "audio/audiosystem.h"
#include "audio/device.h"
#include "devices/devicelist.h"
#include "fixtures.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(DeviceList, OneNumberedLinePerDeviceInLibraryOrder) {
    EXPECT_EQ(wc::deviceListText({"No sound", "Speakers", "HDMI out"}, "\r\n"),
              "0:  No sound\r\n1:  Speakers\r\n2:  HDMI out\r\n");
    EXPECT_EQ(wc::deviceListText({}, "\r\n"), "");
}

TEST(DeviceList, LibraryListsNoSoundFirst) {
    const QStringList devices = wc::audio::AudioSystem::outputDevices();
    ASSERT_FALSE(devices.isEmpty());
    EXPECT_EQ(devices.first(), "No sound");
}

TEST(Kestel, ListPrintsTheDeviceLinesAndExits) {
    QTemporaryDir home;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("WAVECREST_HOME", home.path());
    p.setProcessEnvironment(env);
    p.start(KESTEL_PATH, {"--list"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(out.startsWith("0:  No sound\n")) << out.toStdString();
    // The same lines as the library gives in this process, numbered from 0 without gaps.
    EXPECT_EQ(out, wc::deviceListText(wc::audio::AudioSystem::outputDevices(), "\n"));
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    for (int i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(lines[i].startsWith(QString::number(i) + ":  ")) << lines[i].toStdString();
}

// Runs Kestel --list offscreen in a throw-away program folder with the given environment.
QString kestelList(const QProcessEnvironment& base, const QString& home) {
    QProcess p;
    QProcessEnvironment env = base;
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("WAVECREST_HOME", home);
    p.setProcessEnvironment(env);
    p.start(KESTEL_PATH, {"--list"});
    if (!p.waitForFinished(30000)) return QStringLiteral("<timed out>");
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A null sink of the private server; an empty description leaves the server's own.
struct NullSink {
    QString name;
    QString description;
};

// A PulseAudio server of the test's own, in throw-away runtime and state folders, with null
// sinks only (no sound card at all). env() reaches it from programs the test starts; the
// variables it names can also be set in this process (ScopedEnv) for the library itself.
class PrivatePulseServer {
public:
    static bool installed() {
        return !QStandardPaths::findExecutable("pulseaudio").isEmpty() &&
               !QStandardPaths::findExecutable("pactl").isEmpty();
    }
    ~PrivatePulseServer() { stop(); }

    // The variables that point PulseAudio clients (libpulse and ALSA's pulse plugin) to this
    // server's folders; PULSE_SERVER is left out so that nothing else is reached.
    std::vector<std::pair<QString, QString>> variables() const {
        return {{"XDG_RUNTIME_DIR", runtime_.path()},
                {"PULSE_RUNTIME_PATH", runtime_.filePath("pulse")},
                {"PULSE_STATE_PATH", state_.path()},
                {"HOME", state_.path()}};
    }
    QProcessEnvironment env() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, value] : variables())
            env.insert(name, value);
        env.remove("PULSE_SERVER");
        return env;
    }

    // Starts the server and waits until every sink is there.
    bool start(const std::vector<NullSink>& sinks) {
        QStringList args{"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no"};
        for (const NullSink& sink : sinks) {
            QString module = "module-null-sink sink_name=" + sink.name;
            if (!sink.description.isEmpty())
                module += " sink_properties='device.description=\"" + sink.description + "\"'";
            args << "-L" << module;
        }
        args << "-L"
             << "module-native-protocol-unix";
        server_.setProcessEnvironment(env());
        server_.start(QStandardPaths::findExecutable("pulseaudio"), args);
        if (!server_.waitForStarted(10000)) return false;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 20000 && server_.state() == QProcess::Running) {
            QProcess q;
            q.setProcessEnvironment(env());
            q.start(QStandardPaths::findExecutable("pactl"), {"list", "short", "sinks"});
            if (q.waitForFinished(5000) && q.exitCode() == 0) {
                const QString listed = QString::fromUtf8(q.readAllStandardOutput());
                if (std::all_of(sinks.begin(), sinks.end(),
                                [&](const NullSink& s) { return listed.contains(s.name); }))
                    return true;
            }
            QThread::msleep(100);
        }
        return false;
    }

    // SIGTERM, then waits for the server to end.
    // Loads one more null sink into the running server (through pactl, so that the module's
    // arguments may hold any character, a line break too).
    bool addSink(const NullSink& sink) {
        QProcess q;
        q.setProcessEnvironment(env());
        q.start(QStandardPaths::findExecutable("pactl"),
                {"load-module", "module-null-sink", "sink_name=" + sink.name,
                 "sink_properties='device.description=\"" + sink.description + "\"'"});
        return q.waitForFinished(10000) && q.exitStatus() == QProcess::NormalExit &&
               q.exitCode() == 0;
    }

    // Stops the server's process where it stands (SIGSTOP): its socket still takes
    // connections, but nothing answers them.
    void pause() {
        if (server_.state() != QProcess::NotRunning) ::kill(pid_t(server_.processId()), SIGSTOP);
    }
    void stop() {
        if (server_.state() == QProcess::NotRunning) return;
        ::kill(pid_t(server_.processId()), SIGCONT); // a paused server would not see SIGTERM
        server_.terminate();
        server_.waitForFinished(10000);
        if (server_.state() != QProcess::NotRunning) {
            server_.kill();
            server_.waitForFinished(5000);
        }
    }

private:
    QTemporaryDir runtime_, state_;
    QProcess server_;
};

// Environment variables of this process, set for a scope and put back as they were.
class ScopedEnv {
public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            if (it->wasSet)
                qputenv(it->name.constData(), it->value);
            else
                qunsetenv(it->name.constData());
    }
    void set(const QString& name, const QString& value) {
        remember(name);
        qputenv(name.toUtf8().constData(), value.toUtf8());
    }
    void unset(const QString& name) {
        remember(name);
        qunsetenv(name.toUtf8().constData());
    }

private:
    struct Saved {
        QByteArray name;
        bool wasSet;
        QByteArray value;
    };
    void remember(const QString& name) {
        const QByteArray n = name.toUtf8();
        saved_.push_back({n, qEnvironmentVariableIsSet(n.constData()), qgetenv(n.constData())});
    }
    std::vector<Saved> saved_;
};

// A server with only a null sink (no sound card at all): the sound devices it offers are
// listed after "No sound", numbered on; without the server only "No sound" is left.
// Skipped where the pulseaudio program is not installed.
TEST(Kestel, ListShowsTheDevicesOfAPulseAudioNullSink) {
    if (!PrivatePulseServer::installed()) GTEST_SKIP() << "pulseaudio is not installed";
    PrivatePulseServer server;
    QTemporaryDir home;
    ASSERT_TRUE(server.start({{"wc_null", {}}})) << "the null sink did not come up";

    const QString with = kestelList(server.env(), home.path());
    server.stop();

    const QStringList lines = with.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2) << with.toStdString();
    EXPECT_EQ(lines[0], "0:  No sound");
    for (int i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].startsWith(QString::number(i) + ":  ")) << lines[i].toStdString();
        EXPECT_GT(lines[i].size(), QString::number(i).size() + 3) << "a device without a name";
    }
    // The sink itself, under the description the server gives a null sink of its own.
    EXPECT_EQ(lines.last(), QString::number(lines.size() - 1) + ":  Null Output")
        << with.toStdString();
    // The server gone, its devices are gone: "No sound" stays first, and fewer lines remain
    // (only "No sound" on a machine without a sound card).
    const QString without = kestelList(server.env(), home.path());
    EXPECT_TRUE(without.startsWith("0:  No sound\n")) << without.toStdString();
    EXPECT_LT(without.split('\n', Qt::SkipEmptyParts).size(), lines.size())
        << without.toStdString();
}

// A sink description is outside text: one with a line break and a tab still makes one line,
// so no line of a device that does not exist appears ("9:  Spoofed" here).
TEST(Kestel, ADescriptionWithControlCharactersStaysOnItsLine) {
    if (!PrivatePulseServer::installed()) GTEST_SKIP() << "pulseaudio is not installed";
    PrivatePulseServer server;
    QTemporaryDir home;
    ASSERT_TRUE(server.start({})) << "the server did not come up";
    ASSERT_TRUE(server.addSink({"wc_null", "Line one\n9:  Spoofed\tsink"}));
    const QString out = kestelList(server.env(), home.path());
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 2) << out.toStdString();
    EXPECT_EQ(lines.last(), QString::number(lines.size() - 1) + ":  Line one 9:  Spoofed sink")
        << out.toStdString();
    for (int i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(lines[i].startsWith(QString::number(i) + ":  ")) << lines[i].toStdString();
}

// The library itself on a private server with two null sinks of distinctive descriptions
// (one not ASCII). This process's PulseAudio variables point to the server's folders for the
// test's length; `before` is the device list taken there before the server started.
class PulseAudioOutput : public ::testing::Test {
protected:
    static inline const NullSink kFirst{"wc_null",
                                        QString::fromUtf8("Wavecrest test output \xce\xa9")};
    static inline const NullSink kSecond{"wc_null_two", "Wavecrest second test output"};

    void SetUp() override {
        if (!PrivatePulseServer::installed()) GTEST_SKIP() << "pulseaudio is not installed";
        for (const auto& [name, value] : server.variables())
            env.set(name, value);
        env.unset("PULSE_SERVER");
        sys.setManualOutput(false);
        sys.setGlobalVolume(100);
        before = wc::audio::AudioSystem::outputDevices();
        ASSERT_TRUE(server.start({kFirst, kSecond})) << "the null sinks did not come up";
    }
    void TearDown() override {
        sys.shutdown();
        sys.setManualOutput(wasManual);
        server.stop();
    }
    // The number the library gives the device with this description; -1 when not listed.
    static int numberOf(const QString& description) {
        return int(wc::audio::AudioSystem::outputDevices().indexOf(description));
    }

    wc::audio::AudioSystem& sys = wc::audio::AudioSystem::instance();
    const bool wasManual = sys.manualOutput();
    PrivatePulseServer server;
    ScopedEnv env;
    QStringList before;
    QTemporaryDir home;
};

TEST_F(PulseAudioOutput, KestelListsEachSinkByItsDescriptionAfterThePortAudioDevices) {
    // The server's sinks in its order, each with the description it was given.
    const std::vector<wc::audio::PulseSink> sinks = wc::audio::pulseAudioSinks();
    ASSERT_EQ(sinks.size(), 2u);
    const NullSink expected[] = {kFirst, kSecond};
    for (std::size_t i = 0; i < sinks.size(); ++i) {
        EXPECT_EQ(QString::fromStdString(sinks[i].name), expected[i].name);
        EXPECT_EQ(sinks[i].description, expected[i].description);
    }

    // Kestel numbers them on after the PortAudio devices, whose numbers stay as they are.
    const QStringList portAudio = wc::audio::portAudioOutputDescriptions();
    const QString out = kestelList(server.env(), home.path());
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), portAudio.size() + 3) << out.toStdString();
    EXPECT_EQ(lines[0], "0:  No sound");
    for (int i = 0; i < int(portAudio.size()); ++i)
        EXPECT_EQ(lines[i + 1], QString::number(i + 1) + ":  " + portAudio[i]);
    const int first = int(portAudio.size()) + 1;
    EXPECT_EQ(lines[first], QString::number(first) + ":  " + kFirst.description);
    EXPECT_EQ(lines[first + 1], QString::number(first + 1) + ":  " + kSecond.description);
    // The library gives this process the same numbers.
    EXPECT_EQ(numberOf(kFirst.description), first);
    EXPECT_EQ(numberOf(kSecond.description), first + 1);
}

// Peak of one channel (0 left, 1 right) of interleaved stereo, and the median distance in
// frames between its rising zero crossings (the period of a tone; gaps from a late start or
// an underrun are rare against the many periods, so the median is not swayed by them).
struct ChannelShape {
    float peak = 0;
    double medianPeriod = 0;
    std::size_t periods = 0;
};
ChannelShape shapeOf(const std::vector<float>& stereo, int channel) {
    ChannelShape shape;
    std::vector<double> periods;
    long lastRise = -1;
    for (std::size_t f = 1; f < stereo.size() / 2; ++f) {
        const float prev = stereo[2 * (f - 1) + std::size_t(channel)];
        const float cur = stereo[2 * f + std::size_t(channel)];
        shape.peak = std::max(shape.peak, std::fabs(cur));
        if (prev < 0 && cur >= 0) {
            if (lastRise >= 0) periods.push_back(double(long(f) - lastRise));
            lastRise = long(f);
        }
    }
    shape.periods = periods.size();
    if (!periods.empty()) {
        std::nth_element(periods.begin(), periods.begin() + long(periods.size() / 2),
                         periods.end());
        shape.medianPeriod = periods[periods.size() / 2];
    }
    return shape;
}

// A tone played on the sink's device number reaches the sink: its monitor records it with
// the right pitch and level on each side, and the heard position moves on meanwhile.
TEST_F(PulseAudioOutput, PlaysAToneOnTheSinkWhileItsHeardPositionAdvances) {
    const QString parec = QStandardPaths::findExecutable("parec");
    if (parec.isEmpty()) GTEST_SKIP() << "parec is not installed";
    // Left 440 Hz at 0.5, right the same at 0.25: a swapped or mis-sized frame shows.
    wc::audio::test::Pcm tone = wc::audio::test::sine(3.0, 440.0, 0.5);
    for (std::size_t i = 1; i < tone.samples.size(); i += 2)
        tone.samples[i] *= 0.5f;
    QTemporaryDir files;
    const QString path = files.filePath("tone.wav");
    ASSERT_TRUE(wc::audio::test::writeWav(path, tone));

    const int number = numberOf(kFirst.description);
    ASSERT_GT(number, 0);
    QProcess recorder;
    recorder.setProcessEnvironment(server.env());
    recorder.start(parec, {"--device=" + kFirst.name + ".monitor", "--format=float32le",
                           "--rate=44100", "--channels=2", "--latency-msec=20"});
    ASSERT_TRUE(recorder.waitForStarted(10000));
    // A null sink without inputs renders in blocks of seconds; the recorder's short latency
    // makes it render in small steps, and its first bytes show that it has begun to.
    QByteArray recorded;
    QElapsedTimer waited;
    waited.start();
    while (recorded.isEmpty() && waited.elapsed() < 10000) {
        recorder.waitForReadyRead(50);
        recorded += recorder.readAllStandardOutput();
    }
    ASSERT_FALSE(recorded.isEmpty()) << "the sink's monitor records nothing";

    ASSERT_TRUE(sys.initDevice(number)) << "error " << sys.lastError();
    const wc::audio::Handle h = sys.openFile(path, {});
    ASSERT_NE(h, 0u) << "error " << sys.lastError();
    ASSERT_TRUE(sys.play(h));
    const std::int64_t start = sys.positionBytes(h);
    // About a second of real time, reading the recorder meanwhile so its pipe never fills.
    QElapsedTimer played;
    played.start();
    while (played.elapsed() < 1000) {
        recorder.waitForReadyRead(50);
        recorded += recorder.readAllStandardOutput();
    }
    const std::int64_t later = sys.positionBytes(h);
    EXPECT_GT(later, start);
    EXPECT_LT(later, sys.lengthBytes(h));
    EXPECT_EQ(sys.state(h), wc::audio::ActiveState::Playing);
    ASSERT_TRUE(sys.freeDevice());

    recorder.terminate();
    recorder.waitForFinished(5000);
    recorded += recorder.readAllStandardOutput();
    std::vector<float> samples(std::size_t(recorded.size()) / (2 * sizeof(float)) * 2);
    std::memcpy(samples.data(), recorded.constData(), samples.size() * sizeof(float));

    const struct {
        int channel;
        float amplitude;
    } sides[] = {{0, 0.5f}, {1, 0.25f}};
    for (const auto& side : sides) {
        SCOPED_TRACE(side.channel == 0 ? "left" : "right");
        const ChannelShape shape = shapeOf(samples, side.channel);
        ASSERT_GT(shape.periods, 20u) << "recorded " << samples.size() / 2 << " frames";
        EXPECT_NEAR(44100.0 / shape.medianPeriod, 440.0, 440.0 * 0.03);
        EXPECT_NEAR(shape.peak, side.amplitude, 0.03f);
    }
}

// A stream that cannot connect (no such sink, a server that does not answer, no server)
// fails with "can't find a free sound driver" after a bounded wait rather than hanging, and
// the sink list is then empty; a stream on a sink of a running server is a working device.
TEST_F(PulseAudioOutput, StreamOpensOnlyOnASinkOfAnAnsweringServer) {
    enum class Server { Running, NotAnswering, Gone };
    const struct {
        const char* what;
        Server server;
        std::string sink;
        std::size_t sinksListed;
        bool opens;
    } cases[] = {
        {"existing sink", Server::Running, kFirst.name.toStdString(), 2, true},
        {"no such sink", Server::Running, "wc_no_such_sink", 2, false},
        {"server not answering", Server::NotAnswering, kFirst.name.toStdString(), 0, false},
        {"no server", Server::Gone, kFirst.name.toStdString(), 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.server == Server::NotAnswering) server.pause();
        if (c.server == Server::Gone) server.stop();
        EXPECT_EQ(wc::audio::pulseAudioSinks().size(), c.sinksListed);
        int error = wc::audio::kOk;
        const auto dev = wc::audio::makePulseAudioDevice(7, c.sink, &error);
        if (!c.opens) {
            EXPECT_EQ(dev, nullptr);
            EXPECT_EQ(error, wc::audio::kErrNoDriver);
            continue;
        }
        ASSERT_NE(dev, nullptr) << "error " << error;
        EXPECT_EQ(dev->number, 7);
        // The stream's buffer plus the latency the sink is configured to: well under half a
        // second, whatever the momentary latency of the idle null sink (seconds) is.
        EXPECT_GT(dev->latencyFrames, 0);
        EXPECT_LT(dev->latencyFrames, wc::audio::kMixRate / 2);
        RecordProperty("latencyFrames", dev->latencyFrames);
        EXPECT_TRUE(dev->start());
        dev->stop();
    }
}

// Server gone while its sink plays: the device is freed without waiting on it, the list is
// back to what it was before the server started, and the sink's old number fails to open
// with an error.
TEST_F(PulseAudioOutput, WithoutTheServerTheListIsAsBeforeAndTheOldNumberFails) {
    const int number = numberOf(kFirst.description);
    ASSERT_GT(number, 0);
    ASSERT_TRUE(sys.initDevice(number)) << "error " << sys.lastError();
    QTemporaryDir files;
    const QString path = files.filePath("tone.wav");
    ASSERT_TRUE(wc::audio::test::writeWav(path, wc::audio::test::sine(2.0, 440.0)));
    const wc::audio::Handle h = sys.openFile(path, {});
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(sys.play(h));

    server.stop();
    EXPECT_TRUE(sys.freeDevice());

    EXPECT_EQ(wc::audio::AudioSystem::outputDevices(), before);
    EXPECT_EQ(kestelList(server.env(), home.path()), wc::deviceListText(before, "\n"));
    ASSERT_GE(number, int(before.size())) << "the number belongs to another device now";
    EXPECT_FALSE(sys.initDevice(number));
    EXPECT_EQ(sys.lastError(), wc::audio::kErrIllegalDevice);
    EXPECT_FALSE(sys.isInitialised(number));
}

} // namespace
