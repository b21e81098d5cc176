// The cast client reads two kinds of outside text: a title request's HTTP reply from the
// server, and the server address of the settings. Any bytes must parse; a reply taken as
// complete has a three-digit status, and an address taken has a host and a port in range.
#include "audio/castclient.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const wc::audio::HttpReply r = wc::audio::parseHttpReply(bytes);
    if (r.complete && (r.status < 0 || r.status > 999)) std::abort();
    wc::audio::CastTarget t;
    if (wc::audio::parseCastServer(QString::fromUtf8(bytes), t)) {
        if (t.host.isEmpty() || t.port < 1 || t.port > 65535) std::abort();
        if (!t.mount.isEmpty() && !t.mount.startsWith('/')) std::abort();
        // A request built from what was read has exactly its own header lines.
        const QByteArray req = wc::audio::titleRequest(t, "pw", QString::fromUtf8(bytes));
        if (!req.startsWith("GET /") || !req.endsWith("\r\n\r\n")) std::abort();
        if (req.count('\n') != req.count("\r\n")) std::abort();
        if (req.count("\r\n") != (t.icy() ? 5 : 6)) std::abort();
    }
    return 0;
}
