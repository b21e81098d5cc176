// The device lister: its lines, and the program's --list output.
#include "audio/audiosystem.h"
#include "devices/devicelist.h"

#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

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
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
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

} // namespace
