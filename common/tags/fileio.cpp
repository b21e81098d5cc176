#include "common/tags/fileio.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wc::tags {

namespace faults {
namespace {
thread_local int failAt = 0;
thread_local int taken = 0;
} // namespace
void failStep(int n) {
    failAt = n;
    taken = 0;
}
int steps() {
    return taken;
}
bool hit() {
    ++taken;
    if (failAt <= 0 || taken != failAt) return false;
    errno = EIO;
    return true;
}
} // namespace faults

InFile::InFile(const QString& name) {
    const QByteArray path = QFile::encodeName(name);
    fd_ = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return;
    struct stat st;
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    size_ = st.st_size;
}

InFile::~InFile() {
    if (fd_ >= 0) ::close(fd_);
}

int64_t InFile::readAt(int64_t pos, void* buf, int64_t len) const {
    if (fd_ < 0 || pos < 0 || len < 0) return -1;
    int64_t done = 0;
    char* out = static_cast<char*>(buf);
    while (done < len) {
        const ssize_t n = ::pread(fd_, out + done, size_t(len - done), off_t(pos + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

int64_t MemorySource::readAt(int64_t pos, void* buf, int64_t len) const {
    if (pos < 0 || len < 0) return -1;
    if (pos >= size_) return 0;
    const int64_t n = std::min(len, size_ - pos);
    if (n > 0) std::memcpy(buf, data_ + pos, size_t(n));
    return n;
}

QByteArray ByteSource::bytesAt(int64_t pos, int64_t len, bool* ok) const {
    QByteArray b;
    if (len > 0) {
        const int64_t total = size();
        len = pos >= 0 && pos < total ? std::min(len, total - pos) : 0;
        b.resize(qsizetype(std::max<int64_t>(0, len)));
    }
    const int64_t n = readAt(pos, b.data(), b.size());
    if (ok) *ok = n >= 0;
    b.resize(qsizetype(std::max<int64_t>(0, n)));
    return b;
}

bool fileExists(const QString& name) {
    struct stat st;
    return ::stat(QFile::encodeName(name).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool makeWritable(const QString& name) {
    const QByteArray path = QFile::encodeName(name);
    struct stat st;
    if (::stat(path.constData(), &st) != 0) return false;
    if (st.st_mode & S_IWUSR) return true;
    return ::chmod(path.constData(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

FileReplacement::FileReplacement(const QString& target) : target_(QFile::encodeName(target)) {
    // A symbolic link stays a link: the file it points to is the one replaced.
    if (char* real = ::realpath(target_.constData(), nullptr)) {
        target_ = real;
        std::free(real);
    }
}

FileReplacement::~FileReplacement() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.isEmpty()) ::unlink(temp_.constData());
}

bool FileReplacement::open() {
    if (faults::hit()) return false;
    QByteArray pattern = target_ + "~XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) return false;
    temp_ = pattern;
    return true;
}

bool FileReplacement::write(const void* data, int64_t len) {
    if (fd_ < 0 || faults::hit()) return false;
    const char* p = static_cast<const char*>(data);
    while (len > 0) {
        const ssize_t n = ::write(fd_, p, size_t(len));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        len -= n;
    }
    return true;
}

bool FileReplacement::copyFrom(const ByteSource& src, int64_t pos, int64_t len) {
    QByteArray buf(qsizetype(std::min<int64_t>(len, 1 << 20)), Qt::Uninitialized);
    while (len > 0) {
        const int64_t want = std::min<int64_t>(len, buf.size());
        if (src.readAt(pos, buf.data(), want) != want) return false;
        if (!write(buf.constData(), want)) return false;
        pos += want;
        len -= want;
    }
    return true;
}

bool FileReplacement::commit() {
    if (fd_ < 0) return false;
    struct stat st;
    if (faults::hit() || ::stat(target_.constData(), &st) != 0) return false;
    if (faults::hit() || ::fchmod(fd_, st.st_mode & 07777) != 0) return false;
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid())
        (void)!::fchown(fd_, st.st_uid, st.st_gid); // keeps the owner where the system allows
    if (faults::hit() || ::fsync(fd_) != 0) return false;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return false;
    if (faults::hit() || ::rename(temp_.constData(), target_.constData()) != 0) return false;
    committed_ = true;
    return true;
}

} // namespace wc::tags
