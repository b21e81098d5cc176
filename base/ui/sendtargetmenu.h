#pragma once
// The drop-down beside "В плеер": where the rows go ("To the end of playlist", "After playing
// track", "After cursor") and into which list ("To Main", "To Temp").
#include "base/core/playerlink.h"

#include <QMenu>

class QAction;

namespace wc::base {

class SendTargetMenu final : public QMenu {
public:
    explicit SendTargetMenu(QWidget* parent = nullptr);
    SendTarget target() const;
    void setTarget(const SendTarget& t);

private:
    QAction* positions_[3];
    QAction* toMain_;
    QAction* toTemp_;
};

} // namespace wc::base
