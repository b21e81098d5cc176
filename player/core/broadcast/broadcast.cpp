#include "player/core/broadcast/broadcast.h"

#include "common/clock.h"
#include "common/errortext.h"
#include "common/settings.h"

namespace wc {

namespace {
const QString kPrefix = QStringLiteral("{Broadcast}: ");
}

Broadcast::Broadcast(const TPlayerIni& ini, BroadcastLink& link,
                     std::function<void(const QString&)> log)
    : ini_(ini), link_(link), log_(std::move(log)) {
    reconnectTimer_ = timerHost().createTimer(QStringLiteral("BroadcastReconnectTimer"),
                                              [this] { reconnectTimerFired(); });
}

Broadcast::~Broadcast() {
    reconnectTimer_->stop();
    link_.stop();
}

BroadcastLink::Events Broadcast::events() {
    const quint64 gen = generation_;
    BroadcastLink::Events ev;
    ev.opened = [this, gen](int error) {
        if (gen == generation_) connectionOpened(error);
    };
    ev.died = [this, gen](int status) {
        if (gen == generation_) BroadcastDied(status);
    };
    ev.stalled = [this, gen] {
        if (gen == generation_)
            log_(kPrefix + QStringLiteral("The stream could not keep up; audio was dropped from "
                                          "the stream (not from the air)"));
    };
    ev.titleEncoderFailed = [this, gen] {
        if (gen == generation_)
            log_(kPrefix + QStringLiteral("Cannot start encoder for the new title; the stream goes "
                                          "on with the previous title"));
    };
    ev.titleSent = [this, gen](int error) {
        if (gen != generation_ || error == lastTitleError_) return;
        lastTitleError_ = error;
        if (error != 0)
            log_(kPrefix + QStringLiteral("The server did not take the title. Error code: %1 (%2)")
                               .arg(error)
                               .arg(ErrorText(error)));
    };
    return ev;
}

void Broadcast::StartBroadcast() {
    reconnectTimer_->stop();
    ++generation_;
    const QString title = haveTitle_ ? title_ : QString();
    const int error = link_.start(ini_, title, events());
    if (error != 0) {
        logFailure(
            kPrefix +
            QStringLiteral("Cannot start encoder for broadcasting. Error code: %1").arg(error));
        // The encoder may come back (installed, or a passing failure): keep trying.
        waitOrStop();
        return;
    }
    state_ = State::Connecting;
}

void Broadcast::connectionOpened(int error) {
    if (error == 0) {
        state_ = State::OnAir;
        outage_ = false;
        lastFailure_.clear();
        lastTitleError_ = 0;
        log_(kPrefix + QStringLiteral("Connected to server!"));
        // Listeners see the item on air at once, also after a reconnection.
        if (haveTitle_) link_.setTitle(title_);
        return;
    }
    logFailure(kPrefix + QStringLiteral("Cannot start broadcasting. Error code: %1 (%2)")
                             .arg(error)
                             .arg(ErrorText(error)));
    StopBroadcast();
    BroadcastDied(0);
}

void Broadcast::StopBroadcast() {
    ++generation_;
    link_.stop();
    state_ = State::Off;
}

void Broadcast::SetBroadcastTitle(const QString& itemTitle) {
    title_ = ini_.iTitleType == 1 ? ini_.sTitleText : itemTitle;
    haveTitle_ = true;
    if (state_ == State::OnAir) link_.setTitle(title_);
}

void Broadcast::BroadcastDied(int status) {
    if (status == 3) return;
    // The link is gone: its encoder and connection are ended now, not at the next start.
    StopBroadcast();
    if (ini_.bAutoReconnect) {
        if (!outage_) log_(kPrefix + QStringLiteral("Connection/encoder died. Restarting..."));
        outage_ = true;
    } else {
        log_(kPrefix + (status == 1 ? QStringLiteral("The encoder died!")
                                    : QStringLiteral("The server connection died!")));
    }
    waitOrStop();
}

void Broadcast::waitOrStop() {
    if (ini_.bAutoReconnect) {
        state_ = State::Waiting;
        reconnectTimer_->startOnce(kReconnectMs);
    } else {
        state_ = State::Off;
    }
}

void Broadcast::reconnectTimerFired() {
    StopBroadcast();
    StartBroadcast();
}

bool Broadcast::reconnectPending() const {
    return reconnectTimer_->isActive();
}

void Broadcast::logFailure(const QString& line) {
    if (line == lastFailure_) return;
    lastFailure_ = line;
    log_(line);
}

} // namespace wc
