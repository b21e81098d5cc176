#include "audio/encoderpipe.h"

#include "audio/audiosystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace wc::audio {

EncoderFormat encoderFormat(int format, int bitrateKbps, const QString& title, quint32 serial) {
    const QString kbps = QString::number(bitrateKbps);
    EncoderFormat f;
    if (format == 0) {
        // Raw input must be described completely; lame takes the sampling rate in kHz.
        f.program = QStringLiteral("lame");
        f.args = QStringList{
            "--quiet", "-r", "-s", "44.1", "--bitwidth", "16", "--signed", "--little-endian",
            "-m",      "j",  "-b", kbps,   "--cbr",      "-",  "-"};
        f.mimeType = "audio/mpeg";
    } else if (format == 1) {
        f.program = QStringLiteral("oggenc");
        f.args = QStringList{"-Q",
                             "-r",
                             "-B",
                             "16",
                             "-C",
                             "2",
                             "-R",
                             "44100",
                             "--raw-endianness",
                             "0",
                             "-b",
                             kbps,
                             "--serial",
                             QString::number(serial),
                             "--utf8"};
        if (!title.isEmpty()) f.args << "-t" << title;
        f.args << "-o"
               << "-"
               << "-";
        f.mimeType = "application/ogg";
        f.ogg = true;
    } else {
        f.program = QStringLiteral("ffmpeg");
        f.args = QStringList{"-hide_banner",
                             "-nostats",
                             "-loglevel",
                             "error",
                             "-f",
                             "s16le",
                             "-ar",
                             "44100",
                             "-ac",
                             "2",
                             "-i",
                             "pipe:0",
                             "-c:a",
                             "aac",
                             "-b:a",
                             kbps + "k",
                             "-flush_packets",
                             "1",
                             "-f",
                             "adts",
                             "pipe:1"};
        f.mimeType = "audio/aacp";
    }
    return f;
}

QString findEncoder(const QString& program, const QString& programDir) {
    const QFileInfo own(programDir + QStringLiteral("Plugins/") + program);
    if (own.isFile() && own.isExecutable()) return own.absoluteFilePath();
    const QStringList path = qEnvironmentVariable("PATH").split(':', Qt::SkipEmptyParts);
    for (const QString& dir : path) {
        const QFileInfo f(QDir(dir).filePath(program));
        if (f.isFile() && f.isExecutable()) return f.absoluteFilePath();
    }
    return {};
}

void EncoderPipe::toPcm16(const float* in, std::size_t samples, char* out) {
    for (std::size_t i = 0; i < samples; ++i) {
        const float x = std::clamp(in[i], -1.0f, 1.0f);
        const auto v = static_cast<std::int16_t>(std::lrintf(x * 32767.0f));
        out[2 * i] = char(v & 0xFF);
        out[2 * i + 1] = char((v >> 8) & 0xFF);
    }
}

namespace {

// One running encoder process. The writer thread owns `in`, the reader thread `out`.
struct Proc {
    pid_t pid = -1;
    int in = -1;
    int out = -1;
    bool chained = false; // its input was closed because the next encoder took over
    bool reaped = false;
};

std::shared_ptr<Proc> spawnEncoder(const EncoderSpec& spec) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return nullptr;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return nullptr;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // The player ignores SIGPIPE; the encoder gets the default back, so that it ends quietly
    // when its reader goes away.
    sigset_t def, none;
    sigemptyset(&def);
    sigaddset(&def, SIGPIPE);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &def);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<QByteArray> store;
    store.push_back(QFile::encodeName(spec.program));
    for (const QString& a : spec.args)
        store.push_back(a.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& b : store)
        argv.push_back(b.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int rc = posix_spawn(&pid, store[0].constData(), &fa, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    ::close(in[0]);
    ::close(out[1]);
    if (rc != 0) {
        ::close(in[1]);
        ::close(out[0]);
        return nullptr;
    }
    // The writer never blocks on the encoder, so that it keeps noticing stalls and stops.
    ::fcntl(in[1], F_SETFL, ::fcntl(in[1], F_GETFL) | O_NONBLOCK);
    auto p = std::make_shared<Proc>();
    p->pid = pid;
    p->in = in[1];
    p->out = out[0];
    return p;
}

struct Mark {
    std::uint64_t pos = 0; // ring byte count at which it applies
    std::optional<EncoderSpec> chain;
    quint64 id = 0;
};

} // namespace

struct EncoderPipe::State {
    std::vector<char> ring = std::vector<char>(kRingBytes);
    // Bytes ever written (render thread) and ever read (writer thread).
    std::atomic<std::uint64_t> head{0}, tail{0};
    std::atomic<std::int64_t> dropped{0};
    std::atomic<std::uint32_t> stalls{0};
    bool inStall = false; // render thread only
    std::atomic<bool> stopping{false}, finishing{false}, dead{false};

    std::mutex m; // guards everything below; never taken by the render thread
    std::condition_variable cv;
    std::deque<Mark> marks;
    std::deque<std::shared_ptr<Proc>> queue; // encoders for the reader, in stream order
    std::vector<std::shared_ptr<Proc>> all;
    bool writerDone = false, readerDone = false;

    std::unique_ptr<EncodedSink> sink;
    Events ev;

    ~State() {
        // The threads are gone: end whatever encoder is left.
        for (auto& p : all) {
            if (p->in >= 0) ::close(p->in);
            if (p->out >= 0) ::close(p->out);
            if (!p->reaped) {
                ::kill(p->pid, SIGKILL);
                ::waitpid(p->pid, nullptr, 0);
            }
        }
    }

    // Render thread: no lock, no allocation, no system call.
    void push(const float* s, int frames) {
        const std::size_t bytes = std::size_t(frames) * kChannels * 2;
        const std::uint64_t h = head.load(std::memory_order_relaxed);
        const std::uint64_t t = tail.load(std::memory_order_acquire);
        // A stall lasts until the ring is half empty again, so an encoder at the edge of
        // keeping up makes one report, not one per block.
        const std::size_t free = kRingBytes - std::size_t(h - t);
        if (free < bytes || (inStall && free < kRingBytes / 2)) {
            dropped.fetch_add(frames, std::memory_order_relaxed);
            if (!inStall) stalls.fetch_add(1, std::memory_order_relaxed);
            inStall = true;
            return;
        }
        inStall = false;
        const std::size_t samples = std::size_t(frames) * kChannels;
        std::size_t off = std::size_t(h % kRingBytes);
        // Samples never straddle the ring's end: the capacity and every offset are even.
        const std::size_t first = std::min(samples, (kRingBytes - off) / 2);
        toPcm16(s, first, ring.data() + off);
        toPcm16(s + first, samples - first, ring.data());
        head.store(h + bytes, std::memory_order_release);
    }

    void killAll() {
        std::lock_guard lock(m);
        for (auto& p : all)
            if (!p->reaped) ::kill(p->pid, SIGTERM);
    }

    void reap(const std::shared_ptr<Proc>& p) {
        int status = 0;
        while (::waitpid(p->pid, &status, 0) < 0 && errno == EINTR) {
        }
        std::lock_guard lock(m);
        p->reaped = true;
    }

    void writer(std::shared_ptr<Proc> cur) {
        std::uint32_t seenStalls = 0;
        bool encoderGone = false;
        for (;;) {
            if (stopping.load()) break;
            const std::uint32_t st = stalls.load(std::memory_order_relaxed);
            if (st != seenStalls) {
                seenStalls = st;
                if (ev.stalled && !stopping.load()) ev.stalled();
            }
            const std::uint64_t t = tail.load(std::memory_order_relaxed);
            const std::uint64_t h = head.load(std::memory_order_acquire);
            std::uint64_t limit = h - t;
            std::optional<Mark> due;
            {
                std::unique_lock lock(m);
                if (!marks.empty() && marks.front().pos <= t) {
                    due = std::move(marks.front());
                    marks.pop_front();
                } else if (!marks.empty()) {
                    limit = std::min(limit, marks.front().pos - t);
                }
                if (!due && limit == 0) {
                    if (finishing.load() && marks.empty()) break;
                    // The ring holds seconds: a 20 ms look keeps the idle writer cheap.
                    cv.wait_for(lock, std::chrono::milliseconds(20));
                    continue;
                }
            }
            if (due) {
                if (due->chain && !dead.load()) {
                    if (auto next = spawnEncoder(*due->chain)) {
                        std::lock_guard lock(m);
                        all.push_back(next);
                        cur->chained = true;
                        ::close(cur->in);
                        cur->in = -1;
                        queue.push_back(next);
                        cur = next;
                        encoderGone = false;
                        cv.notify_all();
                    } else if (ev.chainFailed && !stopping.load()) {
                        // The old encoder's input is still open: its stream simply goes on.
                        ev.chainFailed();
                    }
                } else if (!due->chain && ev.markerPassed && !stopping.load()) {
                    ev.markerPassed(due->id);
                }
                continue;
            }
            const std::size_t off = std::size_t(t % kRingBytes);
            std::size_t n = std::size_t(std::min<std::uint64_t>(limit, kRingBytes - off));
            if (!encoderGone) {
                const ssize_t w = ::write(cur->in, ring.data() + off, n);
                if (w < 0 && errno == EINTR) continue;
                if (w < 0 && errno == EAGAIN) {
                    pollfd pfd{cur->in, POLLOUT, 0};
                    ::poll(&pfd, 1, 20);
                    continue;
                }
                if (w < 0)
                    encoderGone = true; // the reader sees its end and reports it
                else
                    n = std::size_t(w);
            }
            tail.store(t + n, std::memory_order_release);
        }
        std::lock_guard lock(m);
        if (cur->in >= 0) ::close(cur->in);
        cur->in = -1;
        writerDone = true;
        cv.notify_all();
    }

    void reader() {
        const int err = sink->open();
        if (ev.opened && !stopping.load()) ev.opened(err);
        if (err != 0) {
            dead = true;
            killAll();
        }
        std::vector<char> buf(16384);
        while (err == 0) {
            std::shared_ptr<Proc> p;
            {
                std::unique_lock lock(m);
                cv.wait(lock, [&] { return !queue.empty() || stopping.load(); });
                if (queue.empty()) break;
                p = queue.front();
            }
            bool sinkFailed = false;
            for (;;) {
                const ssize_t n = ::read(p->out, buf.data(), buf.size());
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                if (stopping.load()) continue; // drain so that the encoder can end
                if (!sink->send(buf.data(), std::size_t(n))) {
                    sinkFailed = true;
                    break;
                }
            }
            if (sinkFailed) {
                dead = true;
                killAll();
            }
            reap(p);
            bool chained = false;
            {
                std::lock_guard lock(m);
                ::close(p->out);
                p->out = -1;
                queue.pop_front();
                chained = p->chained;
            }
            if (sinkFailed || !chained) {
                if (!stopping.load() && !finishing.load() && ev.ended) ev.ended(sinkFailed ? 2 : 1);
                if (!finishing.load()) {
                    dead = true;
                    killAll();
                }
                break;
            }
        }
        std::lock_guard lock(m);
        readerDone = true;
        cv.notify_all();
    }
};

EncoderPipe::EncoderPipe() = default;

EncoderPipe::~EncoderPipe() {
    stop();
}

int EncoderPipe::start(Handle mixer, const EncoderSpec& encoder, std::unique_ptr<EncodedSink> sink,
                       Events events) {
    stop();
    AudioSystem& sys = AudioSystem::instance();
    if (mixer == 0 || sys.state(mixer) == ActiveState::Stopped) return kErrInvalidHandle;
    // A dead encoder or server must never end the program.
    struct sigaction old {};
    if (::sigaction(SIGPIPE, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
        std::signal(SIGPIPE, SIG_IGN);
    auto first = spawnEncoder(encoder);
    if (!first) return kErrCannotOpen;
    auto st = std::make_shared<State>();
    st->sink = std::move(sink);
    st->ev = std::move(events);
    st->all.push_back(first);
    st->queue.push_back(first);
    dsp_ = sys.addDsp(
        mixer, [st](float* s, int frames) { st->push(s, frames); }, INT_MIN);
    if (dsp_ == 0) return kErrInvalidHandle; // st's destructor ends the encoder
    mixer_ = mixer;
    s_ = st;
    std::thread([st, first] { st->writer(first); }).detach();
    std::thread([st] { st->reader(); }).detach();
    return kOk;
}

void EncoderPipe::chainAt(const EncoderSpec& next) {
    if (!s_) return;
    std::lock_guard lock(s_->m);
    s_->marks.push_back(Mark{s_->head.load(), next, 0});
}

void EncoderPipe::mark(quint64 id) {
    if (!s_) return;
    std::lock_guard lock(s_->m);
    s_->marks.push_back(Mark{s_->head.load(), std::nullopt, id});
}

void EncoderPipe::stop() {
    if (dsp_) AudioSystem::instance().removeDsp(mixer_, dsp_);
    dsp_ = 0;
    mixer_ = 0;
    if (!s_) return;
    s_->stopping = true;
    s_->killAll();
    s_->cv.notify_all();
    s_.reset();
}

void EncoderPipe::finish() {
    if (!s_) return;
    if (dsp_) AudioSystem::instance().removeDsp(mixer_, dsp_);
    dsp_ = 0;
    s_->finishing = true;
    {
        std::unique_lock lock(s_->m);
        s_->cv.notify_all();
        s_->cv.wait_for(lock, std::chrono::seconds(60),
                        [&] { return s_->writerDone && s_->readerDone; });
    }
    stop();
}

bool EncoderPipe::running() const {
    return s_ && !s_->dead.load();
}

std::int64_t EncoderPipe::droppedFrames() const {
    return s_ ? s_->dropped.load() : 0;
}

} // namespace wc::audio
