// The audio controls of the main window: the volume slider tbVol with its panel, the
// profile's main-output speakers on the mixer, and the audio add-ons loaded at start-up.
#include "windowfixture.h"

#include "audio/audioengine.h"
#include "player/core/playback/onairchain.h"
#include "player/core/profile/profile.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <cmath>

namespace wc::ui::test {
namespace {

class AudioControls : public WindowTest {
protected:
    void writeProfile(const std::function<void(IniFile&)>& fill) {
        IniFile prf(homePath("Profile/Default.prf"));
        fill(prf);
        ASSERT_TRUE(prf.save());
    }
    // Starts the list's first item with the window's Play button.
    void playFirst() {
        clickRow(master(), 0);
        click(child<QAbstractButton>(QStringLiteral("btPlay")));
        run(300);
    }
    // The largest sample of one output channel over the last ms rendered.
    float peak(int channel, int ms) const {
        const std::size_t frames = out.size() / std::size_t(deviceChannels);
        const std::size_t n = std::size_t(ms) * 44100 / 1000;
        float p = 0;
        for (std::size_t f = frames > n ? frames - n : 0; f < frames; ++f)
            p = std::max(p, std::fabs(out[f * std::size_t(deviceChannels) + std::size_t(channel)]));
        return p;
    }
    QSlider* volume() const { return child<QSlider>(QStringLiteral("tbVol")); }
    QLabel* firstPanel() const { return child<QLabel>(QStringLiteral("StatusPanel0")); }
};

TEST_F(AudioControls, VolumeSliderSetsTheGlobalVolumeAndShowsIt) {
    open();
    addItem(form->playlists().LVMaster, "tone", tone("tone.wav", 20.0));
    playFirst();
    EXPECT_NEAR(peak(0, 100), 0.5f, 0.01f);
    struct Case {
        int position;
        int volume;
    };
    for (const Case k : {Case{400, 40}, Case{0, 0}, Case{409, 41}, Case{1000, 100}}) {
        SCOPED_TRACE(k.position);
        volume()->setValue(k.position);
        EXPECT_EQ(audio::MasterVolume(), k.volume);
        EXPECT_EQ(firstPanel()->text(), QStringLiteral("Volume: %1").arg(k.volume));
        run(200);
        EXPECT_NEAR(peak(0, 100), 0.5f * float(k.volume) / 100.0f, 0.01f);
    }
    // The keyboard moves it too: one page down from the top.
    volume()->setFocus();
    QTest::keyClick(volume(), Qt::Key_PageDown);
    EXPECT_EQ(volume()->value(), 900);
    EXPECT_EQ(firstPanel()->text(), "Volume: 90");
    EXPECT_EQ(audio::MasterVolume(), 90);
    // The position goes into the profile.
    exitProgram();
    EXPECT_EQ(IniFile(homePath("Profile/Default.prf")).readInt("Options", "Volume", -1), 900);
}

TEST_F(AudioControls, ProfileGivesTheSliderPositionOrHidesItAtFullVolume) {
    struct Case {
        bool shown;
        int stored;
        int position;
        int volume;
    };
    for (const Case k : {Case{true, 250, 250, 25}, Case{false, 250, 1000, 100}}) {
        SCOPED_TRACE(k.shown);
        writeProfile([&](IniFile& p) {
            p.writeBool("Options", "ctrVolume", k.shown);
            p.writeInt("Options", "Volume", k.stored);
        });
        open();
        EXPECT_EQ(volume()->isHidden(), !k.shown);
        EXPECT_EQ(volume()->value(), k.position);
        EXPECT_EQ(audio::MasterVolume(), k.volume);
        form.reset();
    }
}

// A device with two speaker pairs (front, rear).
class FourSpeakerOutput : public AudioControls {
protected:
    FourSpeakerOutput() { deviceChannels = 4; }
};

TEST_F(FourSpeakerOutput, MainOutputPutsTheProgrammeOnItsSpeakerPair) {
    struct Case {
        const char* name;
        qint64 mainOutput;
        bool front, rear;
    };
    const Case cases[] = {
        {"all_speakers", 0, true, true},
        {"front_pair", 0x01000000, true, false},
        {"rear_pair", 0x02000000, false, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        writeProfile([&](IniFile& p) { p.writeInt("Options", "MainOutput", k.mainOutput); });
        open();
        addItem(form->playlists().LVMaster, "tone", tone("tone.wav", 5.0));
        playFirst();
        for (int ch = 0; ch < 4; ++ch) {
            const bool loud = ch < 2 ? k.front : k.rear;
            if (loud)
                EXPECT_NEAR(peak(ch, 100), 0.5f, 0.01f) << "channel " << ch;
            else
                EXPECT_EQ(peak(ch, 100), 0.0f) << "channel " << ch;
        }
        form.reset();
    }
}

TEST_F(AudioControls, AddOnsInThePluginsFolderAreLoadedAtStartUp) {
    ASSERT_TRUE(QDir(home.path()).mkpath("plugins"));
    // A real shared library, and a file that only looks like one.
    ASSERT_TRUE(QFile::copy("/lib/x86_64-linux-gnu/libz.so.1", homePath("plugins/libwcwindow.so")));
    QFile broken(homePath("plugins/libwcbroken.so"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a library");
    broken.close();
    open();
    EXPECT_TRUE(audio::LibraryPlugins().contains("libwcwindow.so"));
    EXPECT_FALSE(audio::LibraryPlugins().contains("libwcbroken.so"));
    EXPECT_TRUE(logged("Audio add-ons: ")) << logLines.join("\n").toStdString();
    EXPECT_TRUE(logged("libwcwindow.so"));
    EXPECT_FALSE(logged("libwcbroken.so"));
}

} // namespace
} // namespace wc::ui::test
