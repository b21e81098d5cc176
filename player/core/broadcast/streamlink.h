#pragma once
// The real broadcast link: MasterMixer through the encoder pipe to the cast client. Reports of
// the pipe's threads are posted to the main thread. MP3 and AAC titles go to the server's admin
// interface when the stream has reached the point where they were set; an Ogg title starts a
// new chained stream there, carrying the title in its comment header.
#include "audio/castclient.h"
#include "audio/encoderpipe.h"
#include "player/core/broadcast/broadcast.h"

#include <atomic>
#include <memory>

namespace wc {

class StreamLink final : public BroadcastLink {
public:
    StreamLink();
    ~StreamLink() override;
    int start(const TPlayerIni& ini, const QString& title, Events events) override;
    void stop() override;
    void setTitle(const QString& title) override;

private:
    struct Titles;
    audio::EncoderPipe pipe_;
    std::shared_ptr<std::atomic<bool>> alive_;
    std::shared_ptr<Titles> titles_;
    QString program_;
    int bitrate_ = 128;
    bool ogg_ = false;
    QString oggTitle_;
    quint32 serial_ = 0;
    quint64 nextMark_ = 0;
};

} // namespace wc
