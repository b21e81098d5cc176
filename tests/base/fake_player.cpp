// A stand-in for the running player on the bus: a "TForm1" window that answers MSG_PING with
// 10000 and, for MSG_LOAD_QUEUE, prints the parameters and the paths of the hand-over file of
// $WAVECREST_HOME, then answers 1. Prints "HANDLE <n>" once it is registered.
#include "common/messages.h"
#include "common/playlistfile/m3u.h"
#include "platform/messagebus.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString home = qEnvironmentVariable("WAVECREST_HOME");
    wc::Endpoint ep("TForm1", "Wavecrest", [&](quint32 msg, qint64 w, qint64 l) -> qint64 {
        if (msg == wc::MSG_PING) return wc::kPlayerPingAnswer;
        if (msg != wc::MSG_LOAD_QUEUE) return 0;
        std::printf("LOAD %lld %lld\n", static_cast<long long>(w), static_cast<long long>(l));
        for (const auto& e : wc::readM3uFile(wc::handOverPath(home, wc::HandOver::DbTemp)))
            std::printf("ITEM %s\n", e.path.toUtf8().constData());
        std::fflush(stdout);
        return 1;
    });
    std::printf("HANDLE %d\n", ep.handle());
    std::fflush(stdout);
    return app.exec();
}
