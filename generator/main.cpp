// The playlist generator: its window, or one unattended generation from the command line.
#include "common/clock_qt.h"
#include "common/paths.h"
#include "common/version.h"
#include "generator/core/session.h"
#include "generator/ui/tlumbrawnd.h"
#include "platform/prompts.h"
#include "platform/termination.h"
#include "platform/ui/qtprompts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Lumbra %s\n", WC_VERSION_TEXT);
        return 0;
    }
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    if (wc::isUnattendedCommandLine(args)) {
        // No window and no display: message boxes become log lines on standard error.
        QCoreApplication app(argc, argv);
        wc::setProgramDirFrom(QCoreApplication::applicationFilePath());
        wc::QtClock clock;
        wc::setClock(&clock);
        wc::LogPrompts logPrompts;
        wc::setPrompts(&logPrompts);
        QTextStream out(stdout);
        const int rc = wc::runUnattended(args, out);
        wc::setPrompts(nullptr);
        return rc;
    }

    QApplication app(argc, argv);
    wc::setProgramDirFrom(QCoreApplication::applicationFilePath());
    wc::QtClock clock;
    wc::QtTimerHost timers;
    wc::setClock(&clock);
    wc::setTimerHost(&timers);
    wc::ProgramPrompts prompts; // message boxes, or log lines when nobody can answer

    wc::TLumbraWnd wnd(args.value(0));
    prompts.setWindow(&wnd);
    wc::installTerminationHandler([&wnd] { wnd.close(); });
    wnd.show();
    const int rc = app.exec();
    wc::setPrompts(nullptr);
    return rc;
}
