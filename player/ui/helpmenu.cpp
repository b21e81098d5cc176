#include "player/ui/helpmenu.h"

#include "common/log.h"
#include "common/paths.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QUrl>

namespace wc {

HelpMenu::HelpMenu(QMenu* menu, std::function<QString()> langDir, QObject* parent)
    : QObject(parent), langDir_(std::move(langDir)),
      opener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setObjectName(QStringLiteral("HelpMenu"));
    QAction* contents = menu->addAction(QString::fromUtf8("Содержание"), this,
                                        [this] { show(HelpEntry::Contents); });
    contents->setObjectName(QStringLiteral("HelpContents"));
    contents->setShortcut(QKeySequence::HelpContents);
    QAction* start = menu->addAction(QString::fromUtf8("С чего начать"), this,
                                     [this] { show(HelpEntry::GettingStarted); });
    start->setObjectName(QStringLiteral("HelpGettingStarted"));
}

void HelpMenu::show(HelpEntry entry) {
    const HelpTarget t = helpTargetFor(entry, programDir(), langDir_());
    if (!t.exists) {
        logLine(missingHelpText(t));
        return;
    }
    // The desktop's viewer opens the file at its start: a page inside it cannot be named
    // through the desktop's opener.
    if (!opener_(QUrl::fromLocalFile(t.file)))
        logLine(QStringLiteral("Help: the desktop could not open %1").arg(t.file));
}

} // namespace wc
