// A second process for the platform tests: owns endpoints or locks as its arguments say and
// reports what it sees on standard output, one line per event.
//   serve <class> <caption> [name,name,...]  an endpoint; registers the names in that order
//   send <handle> <msg> <wParam> <lParam>      one sendMessage, prints RESULT <answer|none>
//   find <class> <caption>                     prints FOUND <handle>
//   mute <handle>                              a socket that accepts and never answers
//   garbage <handle>                           a socket that answers with bytes that are no frame
//   lock <name>                                takes the instance lock and records its window
//   idle                                       does nothing until killed
#include "platform/instancelock.h"
#include "platform/messagebus.h"
#include "platform/runtimedir.h"
#include "tests/platform/bus_peer_protocol.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace wc;

namespace {

void say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QString answerText(const std::optional<qint64>& r) {
    return r ? QString::number(*r) : QStringLiteral("none");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return 2;
    const QString mode = args[0];

    if (mode == QLatin1String("serve") && args.size() >= 3) {
        std::vector<quint32> registered;
        const QStringList names =
            args.size() > 3 ? args[3].split(QLatin1Char(','), Qt::SkipEmptyParts) : QStringList();
        for (const QString& n : names) {
            registered.push_back(registerMessage(n));
            say(QStringLiteral("REG %1 %2").arg(n).arg(registered.back()));
        }
        Endpoint* self = nullptr;
        Endpoint ep(args[1], args[2], [&](quint32 msg, qint64 w, qint64 l) -> qint64 {
            say(QStringLiteral("GOT %1 %2 %3").arg(msg).arg(w).arg(l));
            switch (msg) {
            case peer::kAdd:
                return w + l;
            case peer::kSetCaption:
                self->setCaption(QStringLiteral("caption-%1").arg(w));
                return 1;
            case peer::kSendTo: {
                say(QStringLiteral("SENDING"));
                const auto r = sendMessage(WindowHandle(w), peer::kAdd, 7, 8);
                say(QStringLiteral("RESULT %1").arg(answerText(r)));
                return 0;
            }
            case peer::kRelay:
                return sendMessage(WindowHandle(w), peer::kAdd, l, 1).value_or(-100) + 1000;
            case peer::kPostThenSend:
                postMessage(WindowHandle(w), peer::kAdd, 1, 1);
                return sendMessage(WindowHandle(w), peer::kAdd, 2, 2).value_or(-100);
            case peer::kDie:
                ::_exit(9);
            case peer::kQuit:
                QCoreApplication::quit();
                return 0;
            default:
                for (std::size_t i = 0; i < registered.size(); ++i)
                    if (registered[i] == msg) return qint64(1000 * (i + 1)) + w;
                return -1;
            }
        });
        self = &ep;
        say(QStringLiteral("HANDLE %1").arg(ep.handle()));
        return app.exec();
    }
    if (mode == QLatin1String("send") && args.size() == 5) {
        const auto r = sendMessage(WindowHandle(args[1].toInt()), args[2].toUInt(),
                                   args[3].toLongLong(), args[4].toLongLong(), 5000);
        say(QStringLiteral("RESULT %1").arg(answerText(r)));
        return 0;
    }
    if (mode == QLatin1String("find") && args.size() == 3) {
        say(QStringLiteral("FOUND %1").arg(findWindow(args[1], args[2])));
        return 0;
    }
    const bool garbage = mode == QLatin1String("garbage");
    if ((mode == QLatin1String("mute") || garbage) && args.size() == 2) {
        const QByteArray path =
            QFile::encodeName(runtimeDir() + QStringLiteral("/ep-%1.sock").arg(args[1]));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un sa{};
        sa.sun_family = AF_UNIX;
        if (std::size_t(path.size()) >= sizeof sa.sun_path) return 2;
        std::memcpy(sa.sun_path, path.constData(), std::size_t(path.size()));
        if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, 16) != 0)
            return 2;
        std::vector<int> held; // accepted, read, never answered
        QSocketNotifier n(fd, QSocketNotifier::Read);
        QObject::connect(&n, &QSocketNotifier::activated, [&] {
            const int c = ::accept(fd, nullptr, nullptr);
            if (c < 0) return;
            char buf[512];
            [[maybe_unused]] const ssize_t got = ::recv(c, buf, sizeof buf, MSG_DONTWAIT);
            if (garbage) ::send(c, "HTTP/1.0 400 Bad request\r\n\r\n", 28, MSG_NOSIGNAL);
            held.push_back(c);
            say(QStringLiteral("ACCEPTED"));
        });
        say(QStringLiteral("READY"));
        return app.exec();
    }
    if (mode == QLatin1String("lock") && args.size() == 2) {
        QString error;
        auto lock = InstanceLock::tryAcquire(args[1], &error);
        if (!lock) {
            say(error.isEmpty() ? QStringLiteral("BUSY") : QStringLiteral("ERROR ") + error);
            return 3;
        }
        Endpoint ep(QStringLiteral("LockOwner"), QStringLiteral("Lock owner"),
                    [](quint32, qint64, qint64) -> qint64 { return 0; });
        lock->setOwnerWindow(ep.handle());
        say(QStringLiteral("LOCKED %1").arg(ep.handle()));
        return app.exec();
    }
    if (mode == QLatin1String("idle")) {
        say(QStringLiteral("IDLE"));
        return app.exec();
    }
    return 2;
}
