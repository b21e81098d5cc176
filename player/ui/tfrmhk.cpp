#include "player/ui/tfrmhk.h"

#include "player/core/hotkeys/keycodes.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace wc {

KeyCapturePanel::KeyCapturePanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("HKPanel"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setFocusPolicy(Qt::StrongFocus);
    auto* l = new QVBoxLayout(this);
    auto* first = new QLabel(QStringLiteral("Press a new key..."), this);
    first->setObjectName(QStringLiteral("HKLabel1"));
    auto* second = new QLabel(QStringLiteral("or ESC to cancel"), this);
    second->setObjectName(QStringLiteral("HKLabel2"));
    for (QLabel* label : {first, second}) {
        label->setAlignment(Qt::AlignCenter);
        l->addWidget(label);
    }
}

bool KeyCapturePanel::event(QEvent* e) {
    if (!isVisible()) return QFrame::event(e);
    if (e->type() == QEvent::ShortcutOverride) {
        // No shortcut of the window (nor the dialog's default button) takes the key.
        e->accept();
        return true;
    }
    if (e->type() != QEvent::KeyPress) return QFrame::event(e);
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Escape) {
        emit cancelled();
    } else {
        const int code = virtualKeyCode(k->key(), k->modifiers(), k->nativeScanCode());
        if (isAssignableKey(code)) emit keyChosen(code);
    }
    // Every other key, Tab included, is ignored while a key is awaited.
    return true;
}

namespace {
struct Row {
    const char* label;
    int slot;
    int secondSlot; // a second key panel in the row (hk9 in the Play row)
    bool keyPanel;  // hk12 and hk13 have fixed keys, shown as text
    const char* fixedKey;
};
// In the window's order.
constexpr Row kRows[] = {
    {"Запуск", HkPlay, HkPlay2, true, nullptr},
    {"Остановка", HkStop, 0, true, nullptr},
    {"Пауза", HkPause, 0, true, nullptr},
    {"Следующий трек", HkNext, 0, true, nullptr},
    {"Остановка после трека", HkBreak, 0, true, nullptr},
    {"Повторить трек", HkRepeat, 0, true, nullptr},
    {"Усиление", HkMute, 0, true, nullptr},
    {"Увеличить громкость", HkVolumeUp, 0, true, nullptr},
    {"Уменьшить громкость", HkVolumeDown, 0, true, nullptr},
    {"Блокнот", HkNotepad, 0, true, nullptr},
    {"Блокировка", HkLock, 0, false, "Alt+B"},
    {"Подслушка", HkPreListen, 0, false, "Alt+Click"},
};
} // namespace

TfrmHK::TfrmHK(HotKeyValues& values, QWidget* parent) : QDialog(parent), slots_(values) {
    setObjectName(QStringLiteral("TfrmHK"));
    setWindowTitle(QString::fromUtf8("Горячие клавиши"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    auto panel = [&](int slot) {
        auto* b = new QPushButton(this);
        b->setObjectName(QStringLiteral("hkPanel%1").arg(slot));
        b->setMinimumWidth(80);
        connect(b, &QPushButton::clicked, this, [this, slot] { startCapture(slot); });
        panels_.insert(slot, b);
        return b;
    };
    int r = 0;
    for (const Row& row : kRows) {
        auto* label = new QLabel(QString::fromUtf8(row.label), this);
        label->setObjectName(QStringLiteral("lbHk%1").arg(row.slot));
        grid->addWidget(label, r, 0);
        if (row.keyPanel) {
            grid->addWidget(panel(row.slot), r, 1);
            if (row.secondSlot) grid->addWidget(panel(row.secondSlot), r, 2);
        } else {
            auto* fixed = new QLabel(QLatin1String(row.fixedKey), this);
            fixed->setObjectName(QStringLiteral("hkFixed%1").arg(row.slot));
            grid->addWidget(fixed, r, 1);
        }
        auto* box = new QCheckBox(this);
        box->setObjectName(QStringLiteral("CheckBox%1").arg(row.slot));
        connect(box, &QCheckBox::toggled, this, [this, slot = row.slot](bool on) {
            if (refreshing_) return;
            slots_.setOn(slot, on);
            refresh();
        });
        boxes_.insert(row.slot, box);
        grid->addWidget(box, r, 3);
        ++r;
    }
    layout->addLayout(grid);
    all_ = new QCheckBox(QStringLiteral("all"), this);
    all_->setObjectName(QStringLiteral("CheckBox0"));
    connect(all_, &QCheckBox::toggled, this, [this](bool on) {
        if (refreshing_) return;
        slots_.setAll(on);
        refresh();
    });
    layout->addWidget(all_);
    capture_ = new KeyCapturePanel(this);
    capture_->hide();
    connect(capture_, &KeyCapturePanel::keyChosen, this, [this](int code) {
        if (capturing_) slots_.setKey(capturing_, code);
        endCapture();
    });
    connect(capture_, &KeyCapturePanel::cancelled, this, [this] { endCapture(); });
    layout->addWidget(capture_);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("btOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addStretch();
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    refresh();
}

void TfrmHK::startCapture(int slot) {
    capturing_ = slot;
    capture_->show();
    capture_->setFocus(Qt::OtherFocusReason);
}

void TfrmHK::endCapture() {
    capturing_ = 0;
    capture_->hide();
    refresh();
}

void TfrmHK::keyPressEvent(QKeyEvent* e) {
    // Esc with the capture panel hidden closes the window (the panel takes it while shown).
    if (e->key() == Qt::Key_Escape && !capture_->isVisible()) {
        reject();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TfrmHK::refresh() {
    refreshing_ = true;
    for (auto it = panels_.cbegin(); it != panels_.cend(); ++it)
        it.value()->setText(KeyName(slots_.key(it.key())));
    for (auto it = boxes_.cbegin(); it != boxes_.cend(); ++it)
        it.value()->setChecked(slots_.isOn(it.key()));
    all_->setChecked(slots_.allOn());
    refreshing_ = false;
}

} // namespace wc
