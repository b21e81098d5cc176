#pragma once
// The main window's keyboard dispatch bound to its widgets. An application-wide event filter
// sees every key press while the main window is the active window (no pop-up open) and hands
// it to the dispatch; the actions click the window's own buttons and menu entries. Keys the
// dispatch takes are also kept from Qt's shortcuts, so that the main menu is matched in the
// dispatch's order and a hot key is never also a shortcut of another control.
#include "player/core/hotkeys/hotkeydispatcher.h"

#include <QList>
#include <QObject>
#include <functional>

class QAbstractButton;
class QAction;
class QKeyEvent;
class QMainWindow;
class QSlider;
class QWidget;

namespace wc {

class HotKeyBinder final : public QObject, public HotKeyActions {
    Q_OBJECT
public:
    struct Controls {
        QAbstractButton* play = nullptr;
        QAbstractButton* stop = nullptr;
        QAbstractButton* pause = nullptr;
        QAbstractButton* next = nullptr;
        QAbstractButton* breakAfter = nullptr; // btBreak
        QAbstractButton* repeat = nullptr;     // btRepeat
        QAbstractButton* mute = nullptr;
        QAbstractButton* rewind = nullptr;
        QAbstractButton* forward = nullptr;
        QSlider* volume = nullptr;
        std::function<void()> toggleNotepad;
        std::function<bool()> lockShown;
        std::function<void()> abort;
        std::function<void()> toggleDebug;
    };
    // values: the profile's hot keys, read at every key press.
    HotKeyBinder(QMainWindow* window, HotKeyValues& values, Controls controls);

    // The jingle player for the digit keys (slot 1..9); unset: the digits are only consumed.
    std::function<void(int slot)> onJingle;
    // A key pressed in one of the main window's overlay windows (a jingle window), handled as
    // the main window would handle it with no control focused. Returns whether it was taken.
    bool keyFromOverlay(QKeyEvent* e);

    // HotKeyActions
    void clickMenuEntry(int entry) override;
    void moveVolume(int delta) override;
    void play() override;
    void stop() override;
    void next() override;
    void toggleBreak() override;
    void toggleRepeat() override;
    void pause() override;
    void toggleNotepad() override;
    void toggleMute() override;
    void rewind() override;
    void fastForward() override;
    void fireJingle(int slot) override;
    void abortLongOperation() override;
    void toggleDebugWindow() override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    KeyDecision decide(QKeyEvent* e, QWidget* focus);
    // Whether the focused field uses the key for its own editing (Ctrl+Z, Delete, a letter …):
    // the field's own answer to Qt's shortcut question.
    bool fieldKeepsKey(QWidget* focus, QKeyEvent* e);
    static void click(QAbstractButton* b);

    QMainWindow* window_;
    HotKeyValues& values_;
    Controls c_;
    QList<QAction*> menuEntries_;
    bool probing_ = false;
};

} // namespace wc
