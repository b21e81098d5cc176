// The player: start-up guard, main window, message loop.
#include "common/clock_qt.h"
#include "common/log.h"
#include "common/paths.h"
#include "common/version.h"
#include "platform/instancelock.h"
#include "platform/prompts.h"
#include "platform/termination.h"
#include "platform/ui/qtprompts.h"
#include "player/core/commands/commandchannel.h"
#include "player/core/guard.h"
#include "player/ui/tform1.h"

#include <QApplication>
#include <QSessionManager>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("player %s\n", WC_VERSION_TEXT);
        return 0;
    }
    // A command for the player already running from this program folder.
    if (argc > 1 && std::strcmp(argv[1], "--command") == 0) {
        QCoreApplication app(argc, argv);
        wc::setProgramDirFrom(QCoreApplication::applicationFilePath());
        if (argc != 3) {
            std::fprintf(stderr, "Usage: player --command TEXT\n");
            return 2;
        }
        QString out, error;
        const int rc = wc::sendCommandToPlayer(wc::programDir(), QString::fromLocal8Bit(argv[2]),
                                               &out, &error);
        if (!out.isEmpty()) std::printf("%s\n", out.toLocal8Bit().constData());
        if (!error.isEmpty()) std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return rc;
    }
    // Without a display the player still runs the station, offscreen.
    if (qgetenv("QT_QPA_PLATFORM").isEmpty() && qgetenv("DISPLAY").isEmpty() &&
        qgetenv("WAYLAND_DISPLAY").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    // Stop requests are caught from here on: one that arrives while the window is still
    // being built (decks, profile, playlists) closes it in order as soon as it exists.
    wc::TForm1* window = nullptr;
    bool stopRequested = false;
    wc::installTerminationHandler([&window, &stopRequested] {
        if (window)
            window->shell().exitCommand();
        else
            stopRequested = true;
    });
    wc::setProgramDirFrom(QCoreApplication::applicationFilePath());
    wc::QtClock clock;
    wc::QtTimerHost timers;
    wc::setClock(&clock);
    wc::setTimerHost(&timers);

    wc::TPlayerIni playerIni;
    wc::GuardOutcome guard = wc::runInstanceGuard(playerIni);
    if (!guard.proceed) return 0;

    QApplication::setApplicationName(QStringLiteral("Wavecrest"));
    QApplication::setApplicationDisplayName(QStringLiteral("Wavecrest"));
    QApplication::setQuitOnLastWindowClosed(false);

    wc::ProgramPrompts prompts; // message boxes, or log lines when nobody can answer

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    wc::TForm1 form(playerIni, args, guard.lock.get());
    prompts.setWindow(&form);
    window = &form;
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { form.shell().exitCommand(); });
    form.show();
    if (stopRequested)
        QMetaObject::invokeMethod(
            &form, [&form] { form.shell().exitCommand(); }, Qt::QueuedConnection);
    const int rc = app.exec();
    wc::setPrompts(nullptr);
    return rc;
}
