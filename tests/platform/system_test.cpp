// The machine services of platform/system: the serial ports through QSerialPort on a
// pseudo-terminal pair, and the power control's fallback to systemctl (a stand-in script;
// nothing is switched off).
#include "platform/system/power.h"
#include "platform/system/seriallines.h"

#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

using namespace wc;

namespace {

struct Pty {
    Pty() {
        char name[256] = {};
        ok = ::openpty(&master, &slave, name, nullptr, nullptr) == 0;
        path = QString::fromLatin1(name);
    }
    ~Pty() {
        if (master >= 0) ::close(master);
        if (slave >= 0) ::close(slave);
    }
    bool ok = false;
    int master = -1, slave = -1;
    QString path;
};

TEST(SystemSerialPorts, OpensAPseudoTerminalAndReportsWhatTheDeviceRefuses) {
    Pty pty;
    ASSERT_TRUE(pty.ok);
    QString error;
    std::unique_ptr<SerialLine> line = systemSerialPorts().open(pty.path, &error);
    ASSERT_TRUE(line) << error.toStdString();
    // A pseudo-terminal has no modem lines: raising DTR fails with the system's text.
    error.clear();
    EXPECT_FALSE(line->setDtr(true, &error));
    EXPECT_EQ(error, QString::fromLocal8Bit(std::strerror(ENOTTY)));
    // The break state is accepted by the terminal layer.
    error.clear();
    EXPECT_TRUE(line->setBreak(true, &error)) << error.toStdString();
    EXPECT_TRUE(line->setBreak(false, &error)) << error.toStdString();
    // The port is taken: a second open of the same device is refused.
    error.clear();
    EXPECT_FALSE(systemSerialPorts().open(pty.path, &error));
    EXPECT_FALSE(error.isEmpty());
    line.reset();
    EXPECT_TRUE(systemSerialPorts().open(pty.path, &error)) << error.toStdString();
}

TEST(SystemSerialPorts, AMissingDeviceIsNotCreated) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ttyNone");
    QString error;
    EXPECT_FALSE(systemSerialPorts().open(path, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(path));
}

// A stand-in for systemctl that records its arguments and exits with the given status.
QString fakeSystemctl(const QTemporaryDir& dir, int status) {
    const QString path = dir.filePath(QStringLiteral("systemctl%1").arg(status));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\necho \"$@\" >> \"" + QFile::encodeName(dir.filePath("asked")) +
            "\"\necho refused >&2\nexit " + QByteArray::number(status) + "\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

TEST(SystemPowerControl, FallsBackToSystemctlWhenTheLoginManagerCannotBeAsked) {
    QTemporaryDir dir;
    SystemPowerControl power;
    power.loginService = QStringLiteral("org.wavecrest.test.NobodyOwnsThis");
    power.systemctl = fakeSystemctl(dir, 0);
    QString error;
    EXPECT_TRUE(power.powerOff(&error)) << error.toStdString();
    EXPECT_TRUE(power.reboot(&error)) << error.toStdString();
    QFile asked(dir.filePath("asked"));
    ASSERT_TRUE(asked.open(QIODevice::ReadOnly));
    EXPECT_EQ(asked.readAll(), "poweroff\nreboot\n");

    power.systemctl = fakeSystemctl(dir, 1);
    EXPECT_FALSE(power.powerOff(&error));
    EXPECT_TRUE(error.contains("exit 1")) << error.toStdString();
    EXPECT_TRUE(error.contains("refused")) << error.toStdString();
    EXPECT_TRUE(error.contains("login manager") || error.contains("system bus"))
        << error.toStdString();

    power.systemctl = dir.filePath("no-such-program");
    EXPECT_FALSE(power.reboot(&error));
    EXPECT_TRUE(error.contains("no-such-program")) << error.toStdString();
}

} // namespace
