#pragma once
// Opens the Preferences window: from its menu entry, and before files are converted while the
// profile asks for the encoder settings first (Encoder/ShowParam). The window is modal to the
// main window only and opened without a nested event loop, so playout goes on behind it; its
// answer arrives through a callback.
#include "player/core/settings/preferencespages.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QMenu;
class QWidget;

namespace wc {

class EditCommands;
class TfrmSettings;
struct TPlayerIni;
struct TProfile;

class PreferencesCommand final : public QObject {
    Q_OBJECT
public:
    // Adds the menu entry to `menu` and asks for the encoder settings before conversions.
    PreferencesCommand(TProfile& profile, TPlayerIni& playerIni, QMenu* menu, EditCommands& edit,
                       QWidget* window);

    // Opens the window on `page`; done(true) after OK (the settings are applied by then),
    // done(false) after Cancel. While one is open, it is raised and done is not called.
    void open(PreferencesPage page, std::function<void(bool accepted)> done = {});
    TfrmSettings* window() const;
    // Where "?" hands the help file (tests record it); the default logs what it cannot open.
    std::function<void(PreferencesPage page)> showHelp;

private:
    TProfile& profile_;
    TPlayerIni& playerIni_;
    QWidget* window_;
    QPointer<TfrmSettings> dialog_;
};

} // namespace wc
