#pragma once
// The hot-key window: one row per slot with its key panel(s) and its switch, the "all" box
// (CheckBox0), and the capture panel HKPanel. A click on a key panel shows HKPanel; the next
// key that may be assigned becomes the slot's key (the slot keeps its switch), Esc hides the
// panel, other keys are ignored. Without the panel Esc closes the window, as OK does. Every
// change goes straight into the profile's values, so it acts at once.
#include "player/core/hotkeys/hotkeyslots.h"

#include <QDialog>
#include <QFrame>
#include <QMap>

class QCheckBox;
class QPushButton;

namespace wc {

// Takes every key while it is shown and has the focus; reports the codes of keys that may be
// assigned and Esc.
class KeyCapturePanel final : public QFrame {
    Q_OBJECT
public:
    explicit KeyCapturePanel(QWidget* parent);

signals:
    void keyChosen(int code);
    void cancelled();

protected:
    bool event(QEvent* e) override;
};

class TfrmHK final : public QDialog {
    Q_OBJECT
public:
    TfrmHK(HotKeyValues& values, QWidget* parent);

    // The key panel of slot 1..11, the switch of a slot (all but hk9).
    QPushButton* keyPanel(int slot) const { return panels_.value(slot); }
    QCheckBox* switchBox(int slot) const { return boxes_.value(slot); }
    // The slot whose key is awaited (0: none).
    int capturing() const { return capturing_; }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void startCapture(int slot);
    void endCapture();
    // Panels and boxes from the values (without their change handlers running).
    void refresh();

    HotKeySlots slots_;
    QMap<int, QPushButton*> panels_;
    QMap<int, QCheckBox*> boxes_;
    QCheckBox* all_ = nullptr;
    KeyCapturePanel* capture_ = nullptr;
    int capturing_ = 0;
    bool refreshing_ = false;
};

} // namespace wc
