#include "icecastserver.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <unistd.h>

namespace wc::audio::test {

namespace {

// A port p with p + 1 free as well (the ICY source port).
int freePortPair() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        QTcpServer a;
        if (!a.listen(QHostAddress::LocalHost, 0)) continue;
        const int p = a.serverPort();
        QTcpServer b;
        if (p < 65535 && b.listen(QHostAddress::LocalHost, quint16(p + 1))) return p;
    }
    return 0;
}

bool accepts(int port) {
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, quint16(port));
    return s.waitForConnected(200);
}

} // namespace

bool IcecastServer::available() {
    return !QStandardPaths::findExecutable("icecast2").isEmpty() &&
           QFile::exists("/usr/share/icecast2/web/status-json.xsl");
}

IcecastServer::IcecastServer() : port_(freePortPair()) {
    QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                           QFileDevice::WriteOther | QFileDevice::ExeOther);
    const bool root = ::geteuid() == 0;
    const QString xml =
        QStringLiteral("<icecast>\n"
                       "  <location>test</location><admin>test@localhost</admin>\n"
                       "  <limits><sources>8</sources><source-timeout>10</source-timeout>"
                       "</limits>\n"
                       "  <authentication><source-password>%1</source-password>"
                       "<admin-user>admin</admin-user><admin-password>%1-admin</admin-password>"
                       "</authentication>\n"
                       "  <hostname>127.0.0.1</hostname>\n"
                       "  <listen-socket><port>%2</port><bind-address>127.0.0.1</bind-address>"
                       "<shoutcast-mount>/sc</shoutcast-mount></listen-socket>\n"
                       "  <paths><basedir>/usr/share/icecast2</basedir><logdir>%3</logdir>"
                       "<webroot>/usr/share/icecast2/web</webroot>"
                       "<adminroot>/usr/share/icecast2/admin</adminroot></paths>\n"
                       "  <logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog>"
                       "<loglevel>3</loglevel></logging>\n"
                       "  <security><chroot>0</chroot>%4</security>\n"
                       "</icecast>\n")
            .arg(QLatin1String(kPassword))
            .arg(port_)
            .arg(dir_.path())
            .arg(root ? QStringLiteral("<changeowner><user>nobody</user><group>nogroup</group>"
                                       "</changeowner>")
                      : QString());
    QFile f(dir_.filePath("icecast.xml"));
    if (f.open(QIODevice::WriteOnly)) f.write(xml.toUtf8());
}

IcecastServer::~IcecastServer() {
    stop();
}

bool IcecastServer::start() {
    stop();
    if (port_ == 0) return false;
    proc_ = std::make_unique<QProcess>();
    proc_->setProcessChannelMode(QProcess::MergedChannels);
    proc_->start(QStandardPaths::findExecutable("icecast2"), {"-c", dir_.filePath("icecast.xml")});
    if (!proc_->waitForStarted(5000)) return false;
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && proc_->state() == QProcess::Running) {
        if (accepts(port_)) return true;
        proc_->waitForFinished(20); // a short wait that ends early if the server exits
    }
    return false;
}

void IcecastServer::stop() {
    if (!proc_) return;
    if (proc_->state() != QProcess::NotRunning) {
        proc_->kill();
        proc_->waitForFinished(5000);
    }
    proc_.reset();
}

QString IcecastServer::server(const QString& mount) const {
    return QStringLiteral("127.0.0.1:%1%2").arg(port_).arg(mount);
}

QString IcecastServer::url(const QString& mount) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(mount);
}

// The server's status writes characters outside ASCII as XML character references.
QString unescapeReferences(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.mid(i, 2) == QStringLiteral("&#")) {
            const qsizetype end = text.indexOf(';', i);
            bool ok = false;
            const uint code = end > i ? text.mid(i + 2, end - i - 2).toUInt(&ok) : 0;
            if (ok) {
                out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
                i = end;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

QJsonObject IcecastServer::sources() {
    const QJsonObject stats =
        QJsonDocument::fromJson(httpGet(port_, "/status-json.xsl")).object()["icestats"].toObject();
    QJsonArray list;
    const QJsonValue s = stats["source"];
    if (s.isArray())
        list = s.toArray();
    else if (s.isObject())
        list.append(s);
    QJsonObject byMount;
    for (const QJsonValue& v : list) {
        const QString listenUrl = v.toObject()["listenurl"].toString();
        const qsizetype at = listenUrl.indexOf('/', QStringLiteral("http://").size());
        QJsonObject src = v.toObject();
        if (src.contains("title")) src["title"] = unescapeReferences(src["title"].toString());
        byMount[at >= 0 ? listenUrl.mid(at) : listenUrl] = src;
    }
    return byMount;
}

QString IcecastServer::log() const {
    if (qEnvironmentVariableIsSet("WC_KEEP_ICECAST")) dir_.setAutoRemove(false);
    QFile f(dir_.filePath("error.log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll().right(4000)) : QString();
}

QByteArray httpGet(int port, const QByteArray& path, int timeoutMs) {
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, quint16(port));
    if (!s.waitForConnected(timeoutMs)) return {};
    s.write("GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray reply;
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && s.state() == QAbstractSocket::ConnectedState) {
        if (s.waitForReadyRead(100)) reply += s.readAll();
    }
    reply += s.readAll();
    const qsizetype body = reply.indexOf("\r\n\r\n");
    return body >= 0 ? reply.mid(body + 4) : QByteArray();
}

ProbeResult probeStream(const QString& url, double seconds) {
    ProbeResult r;
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-rw_timeout", "5000000", "-seekable", "0", "-probesize",
                            "16384", "-analyzeduration", "500000", "-show_entries",
                            "stream=codec_name:stream_tags=title:format_tags=StreamTitle,title",
                            "-of", "json", url});
    probe.waitForFinished(15000);
    if (qEnvironmentVariableIsSet("WC_PROBE_DEBUG"))
        qWarning("%s", probe.readAllStandardError().constData());
    const QJsonObject o = QJsonDocument::fromJson(probe.readAllStandardOutput()).object();
    const QJsonArray streams = o["streams"].toArray();
    if (!streams.isEmpty()) {
        r.codec = streams[0].toObject()["codec_name"].toString();
        r.title = streams[0].toObject()["tags"].toObject()["title"].toString();
    }
    if (r.title.isEmpty()) r.title = o["format"].toObject()["tags"].toObject()["title"].toString();
    QProcess decode;
    decode.start("ffmpeg", {"-hide_banner",
                            "-nostdin",
                            "-loglevel",
                            "error",
                            "-rw_timeout",
                            "5000000",
                            "-seekable",
                            "0",
                            "-probesize",
                            "16384",
                            "-analyzeduration",
                            "500000",
                            "-i",
                            url,
                            "-t",
                            QString::number(seconds),
                            "-f",
                            "s16le",
                            "-ac",
                            "2",
                            "-ar",
                            "44100",
                            "-"});
    decode.waitForFinished(int(seconds * 1000) + 15000);
    r.seconds = double(decode.readAllStandardOutput().size()) / (44100.0 * 4);
    return r;
}

} // namespace wc::audio::test
