#include "player/core/broadcast/streamlink.h"

#include "audio/audioengine.h"
#include "common/clock.h"
#include "common/paths.h"
#include "common/settings.h"

#include <QHash>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace wc {

// Admin title requests, sent one after the other by a thread of their own: a slow server
// delays only the titles. Titles are queued by marks and sent when the writer passes them.
struct StreamLink::Titles {
    std::mutex m;
    std::condition_variable cv;
    QHash<quint64, QString> byMark;
    std::deque<QString> due;
    bool stopping = false;
    audio::CastTarget target;
    QByteArray password;
    std::function<void(int)> result; // posts to the main thread

    void passed(quint64 id) {
        std::lock_guard lock(m);
        const auto it = byMark.find(id);
        if (it == byMark.end()) return;
        due.push_back(*it);
        byMark.erase(it);
        cv.notify_all();
    }
    void run() {
        for (;;) {
            QString title;
            {
                std::unique_lock lock(m);
                cv.wait(lock, [&] { return stopping || !due.empty(); });
                if (stopping) return;
                // Only the newest title counts once several wait.
                title = due.back();
                due.clear();
            }
            const int error = audio::sendTitle(target, password, title, 5000);
            std::lock_guard lock(m);
            if (!stopping && result) result(error);
        }
    }
    ~Titles() { password.fill('\0'); }
};

StreamLink::StreamLink() = default;

StreamLink::~StreamLink() {
    stop();
}

int StreamLink::start(const TPlayerIni& ini, const QString& title, Events events) {
    stop();
    const audio::Handle mixer = audio::MasterMixer();
    if (mixer == 0) return audio::kErrInvalidHandle;
    const audio::EncoderFormat f =
        audio::encoderFormat(ini.iFormat, ini.iBitrate, title, ++serial_);
    program_ = audio::findEncoder(f.program, programDir());
    if (program_.isEmpty()) return audio::kErrCannotOpen;
    bitrate_ = ini.iBitrate;
    ogg_ = f.ogg;
    oggTitle_ = title;

    audio::CastSettings cs;
    cs.server = ini.sServer;
    cs.password = ini.sPassword.toUtf8();
    cs.mimeType = f.mimeType;
    cs.name = ini.sStreamTitle;
    cs.url = ini.sStreamUrl;
    cs.genre = ini.sStreamGenre;
    cs.description = ini.sStreamDescription;
    cs.bitrateKbps = ini.iBitrate;
    cs.isPublic = ini.bPublic;

    auto alive = std::make_shared<std::atomic<bool>>(true);
    alive_ = alive;
    auto onMain = [alive](std::function<void()> fn) {
        timerHost().post([alive, fn = std::move(fn)] {
            if (alive->load()) fn();
        });
    };
    auto titles = std::make_shared<Titles>();
    audio::parseCastServer(ini.sServer, titles->target);
    titles->password = cs.password;
    titles->result = [onMain, cb = events.titleSent](int e) { onMain([cb, e] { cb(e); }); };
    titles_ = titles;
    if (!ogg_) std::thread([titles] { titles->run(); }).detach();

    audio::EncoderPipe::Events pe;
    pe.opened = [onMain, cb = events.opened](int e) { onMain([cb, e] { cb(e); }); };
    pe.ended = [onMain, cb = events.died](int s) { onMain([cb, s] { cb(s); }); };
    pe.stalled = [onMain, cb = events.stalled] { onMain(cb); };
    pe.markerPassed = [titles](quint64 id) { titles->passed(id); };
    pe.chainFailed = [onMain, cb = events.titleEncoderFailed] { onMain(cb); };
    const int error = pipe_.start(mixer, audio::EncoderSpec{program_, f.args},
                                  std::make_unique<audio::CastClient>(cs), pe);
    cs.password.fill('\0');
    if (error != 0) stop();
    return error;
}

void StreamLink::stop() {
    if (alive_) alive_->store(false);
    alive_.reset();
    pipe_.stop();
    if (titles_) {
        std::lock_guard lock(titles_->m);
        titles_->stopping = true;
        titles_->cv.notify_all();
    }
    titles_.reset();
}

void StreamLink::setTitle(const QString& title) {
    if (!titles_) return;
    if (ogg_) {
        if (title == oggTitle_) return;
        oggTitle_ = title;
        const audio::EncoderFormat f = audio::encoderFormat(1, bitrate_, title, ++serial_);
        pipe_.chainAt(audio::EncoderSpec{program_, f.args});
        return;
    }
    const quint64 id = ++nextMark_;
    {
        std::lock_guard lock(titles_->m);
        titles_->byMark.insert(id, title);
    }
    pipe_.mark(id);
}

} // namespace wc
