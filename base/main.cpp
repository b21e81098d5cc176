// The music-library program: its window, or one unattended scan or check.
#include "base/audioprobe.h"
#include "base/core/unattended.h"
#include "common/clock_qt.h"
#include "common/paths.h"
#include "common/version.h"
#include "platform/prompts.h"

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
    std::fputs("base: the window is not available in this build\n", stderr);
    return 2;
}
