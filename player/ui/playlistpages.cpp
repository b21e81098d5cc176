#include "player/ui/playlistpages.h"

#include <QButtonGroup>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>

namespace wc {

PlaylistPages::PlaylistPages(PlayerPlaylists& lists, QStackedWidget* pages, QTableView* master,
                             QTableView* slave, QLabel* filePanel, QWidget* parent)
    : QObject(parent), lists_(lists), pages_(pages), master_(master), slave_(slave),
      filePanel_(filePanel) {
    main_ = new QPushButton(QStringLiteral("Main"), parent);
    main_->setObjectName(QStringLiteral("btMainPage"));
    temp_ = new QPushButton(QStringLiteral("Temp"), parent);
    temp_->setObjectName(QStringLiteral("btTempPage"));
    auto* group = new QButtonGroup(this);
    for (QPushButton* b : {main_, temp_}) {
        b->setCheckable(true);
        group->addButton(b);
    }
    group->setExclusive(true);
    connect(main_, &QPushButton::clicked, this, [this] { choose(PlayerPlaylists::Page::Master); });
    connect(temp_, &QPushButton::clicked, this, [this] { choose(PlayerPlaylists::Page::Slave); });
    watch(master, PlayerPlaylists::Page::Master);
    watch(slave, PlayerPlaylists::Page::Slave);
    showPage(lists_.page());
}

QTableView* PlaylistPages::activeView() const {
    return lists_.page() == PlayerPlaylists::Page::Master ? master_ : slave_;
}

void PlaylistPages::showPage(PlayerPlaylists::Page page) {
    lists_.setPage(page);
    pages_->setCurrentWidget(activeView());
    main_->setChecked(page == PlayerPlaylists::Page::Master);
    temp_->setChecked(page == PlayerPlaylists::Page::Slave);
    // The panel also shows the volume: a page without a selection leaves it as it is.
    if (lists_.ActivePlaylist().firstSelected() >= 0) showSelectedFile();
}

void PlaylistPages::choose(PlayerPlaylists::Page page) {
    showPage(page);
    if (page == PlayerPlaylists::Page::Slave) slave_->viewport()->update();
    emit pageChanged(page);
}

void PlaylistPages::showSelectedFile() {
    const PlaylistView& v = lists_.ActivePlaylist();
    const int s = v.firstSelected();
    filePanel_->setText(s >= 0 ? v.at(s).FileName() : QString());
}

void PlaylistPages::watch(QTableView* view, PlayerPlaylists::Page page) {
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, page] {
        if (lists_.page() == page) showSelectedFile();
    });
    connect(view, &QAbstractItemView::clicked, this, [this, page] {
        PlaylistView& v = page == PlayerPlaylists::Page::Master ? lists_.LVMaster : lists_.LVSlave;
        if (numberingIsStale(v)) emit renumberRequested();
    });
}

} // namespace wc
