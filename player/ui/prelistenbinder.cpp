#include "player/ui/prelistenbinder.h"

#include "player/core/jingles/prelisten.h"
#include "player/core/playback/onairchain.h"
#include "player/core/playlist/playerplaylists.h"
#include "player/core/profile/profile.h"
#include "player/ui/overlaywindows.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>

namespace wc {

PreListenBinder::PreListenBinder(QWidget* window, TProfile& profile, PlayerPlaylists& lists,
                                 QTableView* master, QTableView* slave, QMenu* menu,
                                 Sources sources)
    : QObject(window), mainWindow_(window), profile_(profile), lists_(lists), master_(master),
      slave_(slave), sources_(std::move(sources)) {
    entry_ = menu->addAction(QString::fromUtf8("Подслушка"), this, [this] {
        PlaylistView& list = lists_.ActivePlaylist();
        const int row = list.firstSelected();
        if (row >= 0) preListen(list.at(row).FileName());
    });
    entry_->setObjectName(QStringLiteral("aPreListen"));
    connect(slave_, &QTableView::doubleClicked, this, [this] {
        const int row = lists_.LVSlave.firstSelected();
        if (row >= 0) preListen(lists_.LVSlave.at(row).FileName());
    });
    for (QTableView* v : {master_, slave_})
        v->viewport()->installEventFilter(this);
}

PreListenBinder::~PreListenBinder() {
    closeWindow();
}

void PreListenBinder::closeWindow() {
    if (window_) {
        PreListenWindow* w = window_;
        window_ = nullptr;
        w->close();
    }
}

PreListenWindow* PreListenBinder::preListen(const QString& file) {
    // The pans a split-mode window saved come back before the next one saves them.
    closeWindow();
    OnAirChain* chain = sources_.onAir ? sources_.onAir() : nullptr;
    auto player = std::make_unique<PreListenPlayer>(profile_, sources_.secondDevice,
                                                    chain ? &chain->controller().DeckA() : nullptr,
                                                    chain ? &chain->controller().DeckB() : nullptr);
    player->panSliderEnabled = sources_.panSliderEnabled;
    auto* w = new PreListenWindow(mainWindow_, std::move(player));
    connect(w, &QObject::destroyed, this, [this, w] {
        if (window_ && window_ != w) return; // a newer window is open
        window_ = nullptr;
        entry_->setEnabled(true);
    });
    w->show();
    if (!w->start(file)) return nullptr;
    window_ = w;
    entry_->setEnabled(false);
    w->player().onClosed = [this, w] {
        if (window_ == w) window_ = nullptr;
        entry_->setEnabled(true);
        w->close();
    };
    return w;
}

bool PreListenBinder::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(e);
        QTableView* view = watched == master_->viewport()  ? master_
                           : watched == slave_->viewport() ? slave_
                                                           : nullptr;
        // hk13 is the Alt-click switch: on while its value is zero or positive.
        if (view && me->button() == Qt::LeftButton && (me->modifiers() & Qt::AltModifier) &&
            profile_.HotKeys[12] >= 0) {
            const QModelIndex index = view->indexAt(me->position().toPoint());
            if (index.isValid()) preListenRow(view, index.row());
        }
    }
    return QObject::eventFilter(watched, e);
}

void PreListenBinder::preListenRow(QTableView* view, int row) {
    PlaylistView& list = view == master_ ? lists_.LVMaster : lists_.LVSlave;
    if (row < list.count()) preListen(list.at(row).FileName());
}

} // namespace wc
