#include "player/ui/hotkeybinder.h"

#include "player/ui/editfocus.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <vector>

namespace wc {

HotKeyBinder::HotKeyBinder(QMainWindow* window, HotKeyValues& values, Controls controls)
    : QObject(window), window_(window), values_(values), c_(std::move(controls)) {
    setObjectName(QStringLiteral("HotKeys"));
    qApp->installEventFilter(this);
}

bool HotKeyBinder::eventFilter(QObject* watched, QEvent* e) {
    const QEvent::Type type = e->type();
    if ((type != QEvent::KeyPress && type != QEvent::ShortcutOverride) || probing_ ||
        !watched->isWidgetType())
        return false;
    if (QApplication::activeWindow() != window_ || QApplication::activePopupWidget()) return false;
    // Once per key: at its first receiver, the focused widget (or the window without one);
    // the parents it propagates to see it again.
    QWidget* focus = window_->focusWidget();
    if (watched != (focus ? focus : static_cast<QWidget*>(window_))) return false;
    auto* key = static_cast<QKeyEvent*>(e);
    const KeyDecision d = decide(key, focus);
    if (type == QEvent::ShortcutOverride) {
        // Qt asks whether the focused widget takes the key before it tries its shortcuts:
        // a key the dispatch takes is claimed, and acted on when it arrives as a key press.
        if (!d.consumed) return false;
        e->accept();
        return true;
    }
    performKey(d, *this);
    return d.consumed;
}

bool HotKeyBinder::keyFromOverlay(QKeyEvent* e) {
    if (QApplication::activePopupWidget()) return false;
    const KeyDecision d = decide(e, nullptr);
    performKey(d, *this);
    return d.consumed;
}

KeyDecision HotKeyBinder::decide(QKeyEvent* e, QWidget* focus) {
    const KeyFocus kind = keyFocusOf(focus);
    // The main menu: the bar's entries and the entries directly below them, enabled and
    // shown, each shortcut of one key.
    menuEntries_.clear();
    std::vector<std::pair<int, QKeyCombination>> shortcuts;
    auto add = [&](QAction* a) {
        if (a->isSeparator() || !a->isVisible() || !a->isEnabled()) return;
        for (const QKeySequence& s : a->shortcuts())
            if (s.count() == 1) shortcuts.emplace_back(int(menuEntries_.size()), s[0]);
        menuEntries_ << a;
    };
    if (!fieldKeepsKey(focus, e)) {
        for (QAction* top : window_->menuBar()->actions()) {
            add(top);
            if (top->isVisible() && top->isEnabled() && top->menu())
                for (QAction* a : top->menu()->actions())
                    add(a);
        }
    }
    const KeyContext ctx{kind, c_.lockShown && c_.lockShown(), shortcuts};
    return decideKey(HotKeySlots(values_), {e->key(), e->modifiers(), e->nativeScanCode()}, ctx);
}

bool HotKeyBinder::fieldKeepsKey(QWidget* focus, QKeyEvent* e) {
    const KeyFocus kind = keyFocusOf(focus);
    if (kind != KeyFocus::TextField && kind != KeyFocus::SpinField && kind != KeyFocus::ComboBox)
        return false;
    QKeyEvent probe(QEvent::ShortcutOverride, e->key(), e->modifiers(), e->nativeScanCode(),
                    e->nativeVirtualKey(), e->nativeModifiers(), e->text(), e->isAutoRepeat(),
                    e->count());
    probe.ignore();
    // Straight to the field: not through the application's filters, nor on to its parents.
    probing_ = true;
    static_cast<QObject*>(focus)->event(&probe);
    probing_ = false;
    return probe.isAccepted();
}

void HotKeyBinder::click(QAbstractButton* b) {
    if (b) b->click();
}

void HotKeyBinder::clickMenuEntry(int entry) {
    if (entry >= 0 && entry < menuEntries_.size()) menuEntries_[entry]->trigger();
}

void HotKeyBinder::moveVolume(int delta) {
    if (c_.volume) c_.volume->setValue(c_.volume->value() + delta);
}

void HotKeyBinder::play() {
    click(c_.play);
}

void HotKeyBinder::stop() {
    click(c_.stop);
}

void HotKeyBinder::next() {
    click(c_.next);
}

void HotKeyBinder::toggleBreak() {
    click(c_.breakAfter);
}

void HotKeyBinder::toggleRepeat() {
    click(c_.repeat);
}

void HotKeyBinder::pause() {
    click(c_.pause);
}

void HotKeyBinder::toggleNotepad() {
    if (c_.toggleNotepad) c_.toggleNotepad();
}

void HotKeyBinder::toggleMute() {
    click(c_.mute);
}

void HotKeyBinder::rewind() {
    click(c_.rewind);
}

void HotKeyBinder::fastForward() {
    click(c_.forward);
}

void HotKeyBinder::fireJingle(int slot) {
    if (onJingle) onJingle(slot);
}

void HotKeyBinder::abortLongOperation() {
    if (c_.abort) c_.abort();
}

void HotKeyBinder::toggleDebugWindow() {
    if (c_.toggleDebug) c_.toggleDebug();
}

} // namespace wc
