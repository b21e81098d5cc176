#pragma once
// Broadcasting: the player's programme to a streaming server. Broadcast is the main-thread
// logic: starting and stopping the link, the stream title, and the reconnection after the
// encoder or the connection died. The link that runs the encoder and the connection is behind
// BroadcastLink, so that the logic runs on simulated time with a fake link in tests; the real
// one (StreamLink) encodes MasterMixer.
//
// Nothing here waits: a reconnection is a one-shot timer of the timer host, the link connects
// on its own thread and reports back through posted events. Log lines go through the given
// function (the player's LogEvent); none of them carries the password.
#include <QString>
#include <functional>
#include <memory>

namespace wc {

struct TPlayerIni;
class Timer;

class BroadcastLink {
public:
    // Reports of a started link, delivered on the main thread.
    struct Events {
        std::function<void(int error)> opened;    // the connection: 0 up, else an error number
        std::function<void(int status)> died;     // 1 the encoder, 2 the connection
        std::function<void()> stalled;            // the stream dropped audio to keep up
        std::function<void(int error)> titleSent; // an admin title request: 0 or an error
        // The encoder of a new title (Ogg) could not be started; the stream goes on.
        std::function<void()> titleEncoderFailed;
    };
    virtual ~BroadcastLink() = default;
    // Starts the encoder (at once) and the connection (reported by opened). 0, or the error
    // number of an encoder that could not be started.
    virtual int start(const TPlayerIni& ini, const QString& title, Events events) = 0;
    // Ends the encoder and the connection; no report of the stopped link comes afterwards.
    virtual void stop() = 0;
    // The title of the stream from the current point of the stream on.
    virtual void setTitle(const QString& title) = 0;
};

class Broadcast {
public:
    static constexpr int kReconnectMs = 5500;

    Broadcast(const TPlayerIni& ini, BroadcastLink& link, std::function<void(const QString&)> log);
    ~Broadcast();

    void StartBroadcast();
    void StopBroadcast();
    // The title for the item being started: sTitleText with iTitleType 1, else itemTitle. It
    // is remembered, so that every (re)connection sends the current one.
    void SetBroadcastTitle(const QString& itemTitle);
    // The link ended: status 3 is ignored; with auto-reconnect a new start is due in 5.5 s.
    void BroadcastDied(int status);

    enum class State { Off, Connecting, OnAir, Waiting };
    State state() const { return state_; }
    bool reconnectPending() const;
    QString currentTitle() const { return title_; }

private:
    void reconnectTimerFired();
    void connectionOpened(int error);
    BroadcastLink::Events events();
    // Failure lines are written once per change: repeated attempts that fail alike are quiet.
    void logFailure(const QString& line);
    void waitOrStop();

    const TPlayerIni& ini_;
    BroadcastLink& link_;
    std::function<void(const QString&)> log_;
    std::unique_ptr<Timer> reconnectTimer_;
    State state_ = State::Off;
    quint64 generation_ = 0; // events of an older start are ignored
    QString title_;
    bool haveTitle_ = false;
    QString lastFailure_;
    bool outage_ = false; // "Restarting..." was logged and no connection since
    int lastTitleError_ = 0;
};

} // namespace wc
