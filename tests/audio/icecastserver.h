#pragma once
// A real streaming server for tests: icecast2 on 127.0.0.1 on a free port, with a
// configuration written by the test into a throw-away folder. It refuses to run as root, so
// as root it drops to nobody/nogroup after binding (its changeowner setting). Its listen
// socket also takes single-stream (ICY) sources on the next port, for the mount "/sc".
#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace wc::audio::test {

class IcecastServer {
public:
    static constexpr const char* kPassword = "src-Pa55";
    static bool available(); // icecast2 is installed

    IcecastServer();
    ~IcecastServer();
    // Starts the server (again, on the same port after stop()) and waits until it accepts
    // connections; false when it did not come up within 15 s.
    bool start();
    void stop(); // SIGKILL, as a crash would
    int port() const { return port_; }
    // "127.0.0.1:port/mount" for the player's setting.
    QString server(const QString& mount) const;
    QString url(const QString& mount) const;
    // The sources of /status-json.xsl, by mount ("/sc" for the ICY one).
    QJsonObject sources();
    QString log() const; // the server's error log, for failure messages

private:
    mutable QTemporaryDir dir_;
    int port_ = 0;
    std::unique_ptr<QProcess> proc_;
};

// GET of a path on 127.0.0.1:port with a bounded wait; the body, or empty.
QByteArray httpGet(int port, const QByteArray& path, int timeoutMs = 3000);

// Runs ffprobe on a URL for a few seconds of stream: the decoded codec name and the seconds
// of audio it read ("" and 0 when nothing decoded).
struct ProbeResult {
    QString codec;
    double seconds = 0;
    QString title; // the stream's title tag, if the format carries one
};
ProbeResult probeStream(const QString& url, double seconds);

} // namespace wc::audio::test
