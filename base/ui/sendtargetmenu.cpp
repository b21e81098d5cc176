#include "sendtargetmenu.h"

#include <QActionGroup>

namespace wc::base {

SendTargetMenu::SendTargetMenu(QWidget* parent) : QMenu(parent) {
    setObjectName(QStringLiteral("pmSendTarget"));
    auto* where = new QActionGroup(this);
    const char* const names[] = {"To the end of playlist", "After playing track", "After cursor"};
    for (int i = 0; i < 3; ++i) {
        positions_[i] = addAction(QString::fromLatin1(names[i]));
        positions_[i]->setObjectName(QStringLiteral("miPos%1").arg(i + 1));
        positions_[i]->setCheckable(true);
        where->addAction(positions_[i]);
    }
    addSeparator();
    auto* list = new QActionGroup(this);
    toMain_ = addAction(QStringLiteral("To Main"));
    toMain_->setObjectName(QStringLiteral("miToMain"));
    toTemp_ = addAction(QStringLiteral("To Temp"));
    toTemp_->setObjectName(QStringLiteral("miToTemp"));
    for (QAction* a : {toMain_, toTemp_}) {
        a->setCheckable(true);
        list->addAction(a);
    }
    setTarget({});
}

SendTarget SendTargetMenu::target() const {
    SendTarget t;
    t.toMain = toMain_->isChecked();
    for (int i = 0; i < 3; ++i)
        if (positions_[i]->isChecked()) t.position = i + 1;
    return t;
}

void SendTargetMenu::setTarget(const SendTarget& t) {
    const int p = t.position >= 1 && t.position <= 3 ? t.position : 1;
    positions_[p - 1]->setChecked(true);
    (t.toMain ? toMain_ : toTemp_)->setChecked(true);
}

} // namespace wc::base
