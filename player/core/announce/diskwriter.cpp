#include "player/core/announce/diskwriter.h"

#include "common/atomicfile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace wc {

namespace {
QString systemError(int e) {
    return QString::fromLocal8Bit(std::strerror(e));
}

// One write of the whole buffer with O_APPEND: the kernel puts it at the end of the file in one
// piece, so even another process appending to the same file cannot land inside the line.
bool appendBytes(const QString& path, const QByteArray& bytes, QString* error) {
    const QByteArray name = QFile::encodeName(path);
    int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 && errno == ENOENT) {
        // The folder is made when it is missing (the first line of a fresh installation).
        QDir().mkpath(QFileInfo(path).absolutePath());
        fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    }
    if (fd < 0) {
        *error = systemError(errno);
        return false;
    }
    qsizetype done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *error = n < 0 ? systemError(errno) : QStringLiteral("the disk is full");
            ok = false;
            break;
        }
        done += n;
    }
    if (::close(fd) != 0 && ok) {
        *error = systemError(errno);
        ok = false;
    }
    return ok;
}
} // namespace

DiskWriter::DiskWriter(ErrorFn onError)
    : onError_(std::move(onError)), thread_([this] { run(); }) {}

DiskWriter::~DiskWriter() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void DiskWriter::append(const QString& path, const QByteArray& bytes) {
    {
        std::lock_guard lock(mutex_);
        if (queue_.size() >= size_t(kMaxQueued)) {
            ++dropped_;
            return;
        }
        queue_.push_back({false, path, bytes, false});
        ++queued_;
    }
    wake_.notify_one();
}

void DiskWriter::replace(const QString& path, const QByteArray& bytes) {
    {
        std::lock_guard lock(mutex_);
        for (Job& j : queue_)
            if (j.replace && !j.superseded && j.path == path) {
                j.superseded = true;
                j.bytes.clear();
            }
        queue_.push_back({true, path, bytes, false});
        ++queued_;
    }
    wake_.notify_one();
}

void DiskWriter::flush() {
    std::unique_lock lock(mutex_);
    const uint64_t target = queued_;
    done_.wait(lock, [&] { return finished_ >= target; });
}

int DiskWriter::pending() const {
    std::lock_guard lock(mutex_);
    return int(queued_ - finished_);
}

void DiskWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || !queue_.empty() || dropped_ > 0; });
        if (dropped_ > 0) {
            const uint64_t n = dropped_;
            dropped_ = 0;
            lock.unlock();
            if (onError_)
                onError_(
                    QStringLiteral("%1 lines were not written: the disk did not keep up").arg(n),
                    QString());
            lock.lock();
            continue;
        }
        if (queue_.empty()) {
            if (stop_) return;
            continue;
        }
        Job job = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        if (!job.superseded) doJob(job);
        lock.lock();
        ++finished_;
        done_.notify_all();
    }
}

void DiskWriter::doJob(const Job& job) {
    QString error;
    bool ok;
    if (job.replace) {
        ok = writeFileAtomically(job.path, job.bytes, &error);
    } else {
        ok = appendBytes(job.path, job.bytes, &error);
    }
    if (ok || !onError_) return;
    // The atomic writer names the file before its reason; the caller names it on its own.
    const QString prefix = job.path + QStringLiteral(": ");
    if (error.startsWith(prefix)) error = error.mid(prefix.size());
    onError_(error, job.path);
}

} // namespace wc
