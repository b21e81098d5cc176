// Kestel: shows the audio output devices with the numbers the settings refer to them by.
// "Kestel --list" prints the same lines to standard output instead, for terminals and
// scripts, without creating any window.
#include "audio/audiosystem.h"
#include "devices/devicelist.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--list") == 0) {
            const QString text = wc::deviceListText(wc::audio::AudioSystem::outputDevices(), "\n");
            std::fputs(text.toUtf8().constData(), stdout);
            return 0;
        }
    QApplication app(argc, argv);
    const QString text = wc::deviceListText(wc::audio::AudioSystem::outputDevices(), "\r\n");
    QMessageBox box(QMessageBox::Information, QStringLiteral("Device list"), text, QMessageBox::Ok);
    box.exec();
    return 0;
}
