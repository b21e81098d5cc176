// The single-instance lock between processes, and the runtime folder it lives in.
#include "platform/instancelock.h"
#include "platform/messagebus.h"
#include "platform/runtimedir.h"
#include "tests/platform/peer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wc {
namespace {

using test::Peer;

class LockTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        folder = tmp.path() + QStringLiteral("/run");
        qputenv("WAVECREST_RUNTIME_DIR", QFile::encodeName(folder));
    }
    void TearDown() override { qunsetenv("WAVECREST_RUNTIME_DIR"); }
    QTemporaryDir tmp;
    QString folder;
};

TEST_F(LockTest, HeldByALiveProcessUntilItIsKilled) {
    const QString name = "wavecrest_unique_mutex_4242";
    Peer holder(folder, {"lock", name});
    const auto locked = holder.waitFor("LOCKED");
    ASSERT_TRUE(locked);
    const WindowHandle ownerWindow = WindowHandle(locked->toInt());
    ASSERT_GT(ownerWindow, 0);

    QString error = "untouched";
    EXPECT_EQ(InstanceLock::tryAcquire(name, &error), nullptr);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString(); // held, not broken
    EXPECT_EQ(InstanceLock::ownerWindow(name), ownerWindow);

    // Another name is another lock.
    auto other = InstanceLock::tryAcquire("wavecrest_unique_mutex_4243", &error);
    EXPECT_NE(other, nullptr) << error.toStdString();
    EXPECT_EQ(InstanceLock::ownerWindow("wavecrest_unique_mutex_4243"), 0);

    holder.killHard();
    // The dead holder's record no longer counts, and the lock is free.
    EXPECT_EQ(InstanceLock::ownerWindow(name), 0);
    auto mine = InstanceLock::tryAcquire(name, &error);
    ASSERT_NE(mine, nullptr) << error.toStdString();
    EXPECT_EQ(InstanceLock::ownerWindow(name), 0);

    Endpoint me("TForm1", "Wavecrest", [](quint32, qint64, qint64) -> qint64 { return 0; });
    ASSERT_TRUE(mine->setOwnerWindow(me.handle()));
    EXPECT_EQ(InstanceLock::ownerWindow(name), me.handle());

    // Now a second process is the one refused.
    Peer second(folder, {"lock", name});
    EXPECT_TRUE(second.waitFor("BUSY"));
    int code = 0;
    EXPECT_TRUE(second.finish(&code));
    EXPECT_EQ(code, 3);

    mine.reset();
    EXPECT_EQ(InstanceLock::ownerWindow(name), 0);
    EXPECT_NE(InstanceLock::tryAcquire(name), nullptr);
}

TEST_F(LockTest, AlsoExclusiveWithinOneProcess) {
    auto first = InstanceLock::tryAcquire("same");
    ASSERT_NE(first, nullptr);
    QString error;
    EXPECT_EQ(InstanceLock::tryAcquire("same", &error), nullptr);
    EXPECT_TRUE(error.isEmpty());
    first.reset();
    EXPECT_NE(InstanceLock::tryAcquire("same"), nullptr);
}

TEST_F(LockTest, ProgramsStartedByTheHolderDoNotKeepTheLock) {
    auto lock = InstanceLock::tryAcquire("inherited");
    ASSERT_NE(lock, nullptr);
    Peer child(folder, {"idle"});
    ASSERT_TRUE(child.waitFor("IDLE"));
    lock.reset();
    Peer next(folder, {"lock", "inherited"});
    EXPECT_TRUE(next.waitFor("LOCKED")) << next.seen().join('|').toStdString();
}

TEST_F(LockTest, NamesStayInsideTheRuntimeFolder) {
    const struct {
        QString name;
        bool usable;
    } cases[] = {
        {"../escape", true}, {"a/b", true}, {".hidden", true},
        {"Станция 1", true}, {"", false},   {QString(300, 'n'), false},
    };
    for (const auto& c : cases) {
        QString error;
        auto lock = InstanceLock::tryAcquire(c.name, &error);
        EXPECT_EQ(lock != nullptr, c.usable) << c.name.toStdString();
        EXPECT_EQ(error.isEmpty(), c.usable) << c.name.toStdString();
        if (lock) {
            EXPECT_EQ(InstanceLock::tryAcquire(c.name), nullptr) << c.name.toStdString();
            EXPECT_TRUE(lock->setOwnerWindow(17));
            EXPECT_EQ(InstanceLock::ownerWindow(c.name), 17);
        }
    }
    // Every file went into the folder itself, none into its parent or a subfolder.
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"run"});
    EXPECT_TRUE(QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    // "a/b" and "a%2Fb" are different locks.
    auto slash = InstanceLock::tryAcquire("x/y");
    auto escaped = InstanceLock::tryAcquire("x%2Fy");
    EXPECT_NE(slash, nullptr);
    EXPECT_NE(escaped, nullptr);
}

TEST_F(LockTest, OwnerRecordsThatAreDamagedAreIgnored) {
    auto lock = InstanceLock::tryAcquire("damaged");
    ASSERT_NE(lock, nullptr);
    const QString record = folder + "/damaged.owner";
    const QByteArray pid = QByteArray::number(::getpid());
    const QByteArray cases[] = {
        "",           "garbage", pid + " 0",     pid + " 0 -5", pid + " 0 99999999999",
        pid + " x 5", "0 0 5",   "999999999 0 5"};
    for (const QByteArray& c : cases) {
        QFile f(record);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c);
        f.close();
        EXPECT_EQ(InstanceLock::ownerWindow("damaged"), 0) << c.toStdString();
    }
}

// The runtime folder itself.
class RuntimeDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        savedXdg = qgetenv("XDG_RUNTIME_DIR");
        hadXdg = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    }
    void TearDown() override {
        qunsetenv("WAVECREST_RUNTIME_DIR");
        if (hadXdg)
            qputenv("XDG_RUNTIME_DIR", savedXdg);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }
    static int modeOf(const QString& path) {
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return -1;
        return int(st.st_mode & 07777);
    }
    QTemporaryDir tmp;
    QByteArray savedXdg;
    bool hadXdg = false;
};

TEST_F(RuntimeDirTest, ChosenFolderIsCreatedPrivate) {
    const QString explicitDir = tmp.path() + "/a/b/run";
    const QString xdg = tmp.path() + "/xdg";
    ASSERT_TRUE(QDir().mkpath(xdg));
    struct Case {
        const char* what;
        QString wavecrest, xdg, expected;
    };
    const Case cases[] = {
        {"explicit folder, parents created", explicitDir, xdg, explicitDir},
        {"under XDG_RUNTIME_DIR", "", xdg, xdg + "/wavecrest"},
        {"neither set", "", "", QStringLiteral("/tmp/wavecrest-%1").arg(::geteuid())},
    };
    for (const Case& c : cases) {
        if (c.wavecrest.isEmpty())
            qunsetenv("WAVECREST_RUNTIME_DIR");
        else
            qputenv("WAVECREST_RUNTIME_DIR", QFile::encodeName(c.wavecrest));
        if (c.xdg.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(c.xdg));
        QString error;
        EXPECT_EQ(runtimeDir(&error), c.expected) << c.what << ": " << error.toStdString();
        EXPECT_EQ(modeOf(c.expected), 0700) << c.what;
    }
}

TEST_F(RuntimeDirTest, LooseModeOfOurOwnFolderIsTightened) {
    const QString dir = tmp.path() + "/loose";
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_EQ(::chmod(QFile::encodeName(dir).constData(), 0777), 0);
    qputenv("WAVECREST_RUNTIME_DIR", QFile::encodeName(dir));
    EXPECT_EQ(runtimeDir(), dir);
    EXPECT_EQ(modeOf(dir), 0700);
}

TEST_F(RuntimeDirTest, UnusableFoldersAreRefused) {
    const QString file = tmp.path() + "/plainfile";
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QString target = tmp.path() + "/target";
    ASSERT_TRUE(QDir().mkpath(target));
    const QString xdg = tmp.path() + "/xdg";
    ASSERT_TRUE(QDir().mkpath(xdg));
    // A link planted where the default folder goes is not followed.
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(),
                        QFile::encodeName(xdg + "/wavecrest").constData()),
              0);
    qputenv("WAVECREST_RUNTIME_DIR", QFile::encodeName(file));
    QString error;
    EXPECT_EQ(runtimeDir(&error), QString());
    EXPECT_FALSE(error.isEmpty());

    // Under XDG_RUNTIME_DIR the planted link is passed over for the folder in /tmp.
    qunsetenv("WAVECREST_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(xdg));
    const QString fallback = QStringLiteral("/tmp/wavecrest-%1").arg(::geteuid());
    EXPECT_EQ(runtimeDir(&error), fallback) << error.toStdString();
    EXPECT_TRUE(QDir(target).isEmpty());

    // Without a folder there is no bus address and no lock, and callers are told.
    qputenv("WAVECREST_RUNTIME_DIR", QFile::encodeName(file));
    Endpoint e("C", "c", [](quint32, qint64, qint64) -> qint64 { return 0; });
    EXPECT_EQ(e.handle(), 0);
    EXPECT_EQ(InstanceLock::tryAcquire("x", &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(RuntimeDirTest, FolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a folder to another user";
    const QString dir = tmp.path() + "/foreign";
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_EQ(::chmod(QFile::encodeName(dir).constData(), 0700), 0);
    ASSERT_EQ(::chown(QFile::encodeName(dir).constData(), 65534, 65534), 0);
    qputenv("WAVECREST_RUNTIME_DIR", QFile::encodeName(dir));
    QString error;
    EXPECT_EQ(runtimeDir(&error), QString());
    EXPECT_TRUE(error.contains("another user")) << error.toStdString();

    // An XDG_RUNTIME_DIR inherited from another user (su, sudo): the folder in /tmp is used.
    const QString xdg = tmp.path() + "/xdg-of-someone";
    ASSERT_TRUE(QDir().mkpath(xdg + "/wavecrest"));
    ASSERT_EQ(::chown(QFile::encodeName(xdg + "/wavecrest").constData(), 65534, 65534), 0);
    qunsetenv("WAVECREST_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(xdg));
    EXPECT_EQ(runtimeDir(&error), QStringLiteral("/tmp/wavecrest-%1").arg(::geteuid()))
        << error.toStdString();
}

} // namespace
} // namespace wc
