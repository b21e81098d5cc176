// The music-library program: its window, or one unattended scan or check.
#include "base/audioprobe.h"
#include "base/core/unattended.h"
#include "base/ui/enginedeck.h"
#include "base/ui/filechooser.h"
#include "base/ui/tbasemainwindow.h"
#include "common/clock_qt.h"
#include "common/paths.h"
#include "common/playlistfile/shellassoc.h"
#include "common/settings.h"
#include "common/trackstore/trackstore.h"
#include "common/version.h"
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
        std::printf("base %s\n", WC_VERSION_TEXT);
        return 0;
    }
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    if (wc::base::isUnattendedCommandLine(args)) {
        QCoreApplication app(argc, argv);
        wc::setProgramDirFrom(QCoreApplication::applicationFilePath());
        wc::QtClock clock;
        wc::setClock(&clock);
        wc::LogPrompts logPrompts;
        wc::setPrompts(&logPrompts);
        QTextStream out(stdout);
        QTextStream err(stderr);
        wc::base::AudioProbe probe;
        const int rc = wc::base::runUnattended(args, out, err, probe);
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
    wc::trackStore().LoadTrackStore();
    // Library files open with this program from the desktop; failures are of no consequence.
    wc::RegisterLibraryType(QCoreApplication::applicationFilePath());

    // The preview deck plays on the output the options choose (the second device for type 2).
    wc::TSystemIni systemIni;
    wc::ReadSystemIni(systemIni);
    wc::audio::InitGlobals(systemIni);
    const wc::base::BaseOptions options =
        wc::base::readBaseOptions(wc::IniFile(wc::base::baseIniPath()));
    wc::base::EngineDeck deck(options.monType == 2 ? systemIni.SecondDev : systemIni.MainDev);
    deck.setRearSpeakers(options.monType == 1);

    wc::base::AudioProbe probe;
    wc::base::QtFileChooser chooser;
    wc::base::TBaseMainWindow wnd(args, probe, chooser, &deck);
    prompts.setWindow(&wnd);
    // A hidden window closing does not end the event loop by itself.
    wc::installTerminationHandler([&wnd, &app] {
        if (wnd.close()) app.quit();
    });
    const bool hidden = args.value(0).compare(QLatin1String("hidden"), Qt::CaseInsensitive) == 0;
    if (!hidden) wnd.show();
    const int rc = app.exec();
    wc::setPrompts(nullptr);
    return rc;
}
