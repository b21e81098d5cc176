#include "common/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace wc;

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

// A write that the disk cuts short (a full disk; here a file-size limit, which fails the same
// way) is a failure: the old file stays whole and no temporary file is left.
TEST(AtomicFile, ShortWriteIsAFailureAndTheTargetStays) {
    QTemporaryDir dir;
    const QString target = dir.filePath("data.bin");
    ASSERT_TRUE(writeFileAtomically(target, QByteArray(100, 'o')));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString why;
    const bool big = writeFileAtomically(target, QByteArray(11316, 'n'), &why);
    const bool fits = writeFileAtomically(dir.filePath("small.bin"), QByteArray(1000, 's'));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_FALSE(big);
    EXPECT_FALSE(why.isEmpty());
    EXPECT_EQ(readAll(target), QByteArray(100, 'o'));
    EXPECT_TRUE(fits);
    EXPECT_EQ(readAll(dir.filePath("small.bin")).size(), 1000);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"data.bin", "small.bin"}));
}
