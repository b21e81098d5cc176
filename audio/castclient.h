#pragma once
// The cast client: sends an encoded stream to a streaming server through libshout, and the
// stream title to the server's admin interface with a plain HTTP request of our own. Two
// source kinds are sent by our own few lines instead: ICY, because libshout 2.4 first sends a
// probe line in place of the password, which single-stream servers answer by closing the
// connection; and AAC, for which libshout has no content type.
//
// The server is given as "host:port/mount" for a server with mount points (HTTP source
// protocol) or as "host:port" alone for a server of the single-stream kind (ICY protocol; port
// is the listeners' port, libshout connects the source to the next one, as such servers expect).
// The password stays in memory: it is handed to libshout and put into the title request, never into
// a log line, an error text or a command line.
#include "audio/encoderpipe.h"

#include <QByteArray>
#include <QString>

namespace wc::audio {

struct CastTarget {
    QString host;
    int port = 8000;
    QString mount; // "/mount", empty for the ICY protocol
    bool icy() const { return mount.isEmpty(); }
};
// Reads a server text; false when it names no host or a port outside 1..65535.
bool parseCastServer(const QString& server, CastTarget& out);

struct CastSettings {
    QString server;
    QByteArray password;
    QByteArray mimeType; // "audio/mpeg", "application/ogg", "audio/aacp"
    QString name, url, genre, description;
    int bitrateKbps = 128;
    bool isPublic = false;
    // A server that takes no byte of the stream for this long counts as gone.
    int stallTimeoutMs = 10000;
};

// Error numbers of the cast client, in the numbering of the player's error table.
enum CastError : int {
    kCastErrConnect = 32,    // no connection to the server could be opened
    kCastErrTimeout = 40,    // the server did not answer in time
    kCastErrDenied = 2100,   // the server refused the password (or the mount is taken)
    kCastErrSettings = 2101, // the server address or a value cannot be used
};

class CastClient final : public EncodedSink {
public:
    explicit CastClient(CastSettings settings);
    ~CastClient() override;
    int open() override;
    bool send(const char* data, std::size_t size) override;

private:
    int openIcy(const CastTarget& t);
    int openHttpAac(const CastTarget& t);
    CastSettings s_;
    bool flushShout();
    void* shout_ = nullptr;
    int shoutFd_ = -1; // libshout's socket, found after it connected (not owned)
    int icyFd_ = -1;   // our own source connection (ICY, or HTTP for AAC)
};

// --- titles through the server's admin interface ---

// The request that sets the title of a stream: Icecast's /admin/metadata with the source
// login, or the single-stream server's /admin.cgi with its password.
QByteArray titleRequest(const CastTarget& target, const QByteArray& password, const QString& title);

struct HttpReply {
    bool complete = false; // status line and header block read
    int status = 0;
    QByteArray body;
};
// Reads a server's HTTP reply (status line, headers, body up to the end of the data).
HttpReply parseHttpReply(const QByteArray& data);

// Sends a title and waits at most timeoutMs for the reply (call it off the main thread).
// 0 when the server accepted it, else an error number (kCastErrDenied for 401/403).
int sendTitle(const CastTarget& target, const QByteArray& password, const QString& title,
              int timeoutMs);

} // namespace wc::audio
