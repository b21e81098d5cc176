#pragma once
// The help menu of the main window: "Содержание" (F1) and "С чего начать" open the language
// folder's help file with the desktop's viewer; without one a line is logged.
#include "player/core/helpfiles.h"

#include <QObject>
#include <functional>

class QMenu;
class QUrl;

namespace wc {

class HelpMenu : public QObject {
    Q_OBJECT
public:
    // langDir: system.ini Options/LangDir, read when an entry is chosen.
    HelpMenu(QMenu* menu, std::function<QString()> langDir, QObject* parent);

    // How a file is handed to the desktop (tests record it); returns whether it was taken.
    using Opener = std::function<bool(const QUrl&)>;
    void setOpener(Opener o) { opener_ = std::move(o); }

    void show(HelpEntry entry);

private:
    std::function<QString()> langDir_;
    Opener opener_;
};

} // namespace wc
