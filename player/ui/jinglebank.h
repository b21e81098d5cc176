#pragma once
// The jingle bank of the main window: the tool buttons tbj1..tbj9 and the menu "Джинглы"
// (jin1..jin9 and "Назначить..."), bound to the jingle slots, and the jingle windows that play
// over the programme (for the slots and for the scheduler's overlay events). PlayJingl(slot) is
// what the buttons, the menu entries and the digit keys fire.
#include "player/core/jingles/jingleslots.h"
#include "player/core/jingles/overlayjingles.h"
#include "player/core/schedule/scheduler.h"
#include "player/ui/tfrmjinlist.h"

#include <QObject>
#include <QPointer>
#include <array>
#include <functional>

class QAction;
class QKeyEvent;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;

namespace wc {

class OnAirChain;
struct TProfile;

class JingleBank final : public QObject, public OverlayPlayer, private MusicFader {
    Q_OBJECT
public:
    struct Sources {
        // The playout chain once it exists (the music fade, DeckA's device).
        std::function<OnAirChain*()> onAir;
        bool noMixerChannel = false;
        // A file's length in ms (for the hints); -1 when it cannot be measured.
        std::function<int(const QString&)> durationMs;
        // One line of the event log.
        std::function<void(const QString&)> logEvent;
        // The main window's key handling, for keys pressed in a jingle window.
        std::function<bool(QKeyEvent*)> forwardKey;
    };
    JingleBank(QMainWindow* window, TProfile& profile, Sources sources);
    ~JingleBank() override;

    // Refreshes the buttons; when the slot holds a file, opens a jingle window titled
    // "Jingle" with ScheduleFadeTime and JVol. A missing file is the window's failure.
    void PlayJingl(int slot);
    // Enabled states and hints of the nine buttons and menu entries.
    void refreshButtons();
    // Slots 1..9 from the profile, the menu captions, the buttons (after a profile load).
    void applyProfile();
    // Slots 1..9 into the profile (before it is saved).
    void storeInProfile();
    // The jingle list window ("Назначить..."); a second call raises it.
    TfrmJinList* showJingleList();

    // OverlayPlayer: a scheduler's overlay event.
    void OpenJingleWindow(const OverlayRequest& request) override;

    JingleList& list() { return list_; }
    JingleSlots& jingleSlots() { return slots_; }
    QToolButton* button(int n) const { return buttons_[std::size_t(n - 1)]; }
    QAction* menuEntry(int n) const { return entries_[std::size_t(n - 1)]; }
    // The language's hint of the first jingle button (the hints' prefix).
    QString hintText = QString::fromUtf8("Джингл");
    // The jingle list window's file dialogs (tests replace them).
    TfrmJinList::Hooks listDialogs;

private:
    void StartMusicFade(int target, int durationMs) override;
    void SetMusicVolume(int v) override;
    void setMenuCaptions();
    JingleDeckSetup deckSetup() const;

    QMainWindow* window_;
    TProfile& profile_;
    Sources sources_;
    JingleSlots slots_;
    JingleLengthCache lengths_;
    JingleList list_;
    QToolBar* bar_ = nullptr;
    QMenu* menu_ = nullptr;
    std::array<QToolButton*, 9> buttons_{};
    std::array<QAction*, 9> entries_{};
    QPointer<TfrmJinList> listWindow_;
};

} // namespace wc
