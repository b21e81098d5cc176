#include "player/ui/taginfopage.h"

#include "common/clock.h"
#include "common/tags/tracktag.h"
#include "common/trackstore/trackstore.h"
#include "platform/prompts.h"
#include "player/core/playlist/playerplaylists.h"
#include "player/core/tagpage/tagpage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QFormLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace wc {

TagInfoPage::TagInfoPage(PlayerPlaylists& lists, QTableView* master, QTableView* slave,
                         const MyDatabase* store, QWidget* parent)
    : QWidget(parent), lists_(lists), store_(store) {
    setObjectName(QStringLiteral("TagInfoPage"));
    auto* layout = new QVBoxLayout(this);
    lbTagFileName_ = new QLabel(QStringLiteral("---"), this);
    lbTagFileName_->setObjectName(QStringLiteral("lbTagFileName"));
    lbTagFileName_->setMinimumWidth(1);
    lbTagFileName_->setToolTip(QStringLiteral("---"));
    layout->addWidget(lbTagFileName_);
    cbTag_ = new QCheckBox(QStringLiteral("Tag"), this);
    cbTag_->setObjectName(QStringLiteral("cbTag"));
    cbTag_->setChecked(true);
    layout->addWidget(cbTag_);
    auto* form = new QFormLayout;
    auto edit = [&](const char* name, int maxLength) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setMaxLength(maxLength);
        return e;
    };
    title_ = edit("title", 30);
    artist_ = edit("artist", 30);
    album_ = edit("album", 30);
    year_ = edit("year", 4);
    comm_ = edit("comm", 30);
    genre_ = new QComboBox(this);
    genre_->setObjectName(QStringLiteral("ComboBox1"));
    genre_->setEditable(true);
    genre_->setInsertPolicy(QComboBox::NoInsert);
    genre_->addItem(QStringLiteral("<none>"));
    genre_->addItems(genreNames());
    genre_->lineEdit()->setMaxLength(30);
    form->addRow(QStringLiteral("Title"), title_);
    form->addRow(QStringLiteral("Artist"), artist_);
    form->addRow(QStringLiteral("Album"), album_);
    form->addRow(QStringLiteral("Year"), year_);
    form->addRow(QStringLiteral("Comment"), comm_);
    form->addRow(QStringLiteral("Genre"), genre_);
    layout->addLayout(form);
    mpinfo_ = new QLabel(this);
    mpinfo_->setObjectName(QStringLiteral("mpinfo"));
    layout->addWidget(mpinfo_);
    storeFades_ = new QLabel(this);
    storeFades_->setObjectName(QStringLiteral("StoreFades"));
    storeStats_ = new QLabel(this);
    storeStats_->setObjectName(QStringLiteral("StoreStats"));
    layout->addWidget(storeFades_);
    layout->addWidget(storeStats_);
    btSaveTag_ = new QPushButton(QStringLiteral("Save"), this);
    btSaveTag_->setObjectName(QStringLiteral("btSaveTag"));
    layout->addWidget(btSaveTag_);
    layout->addStretch(1);
    connect(btSaveTag_, &QPushButton::clicked, this, [this] { save(); });

    // The lists' own binders apply a selection to the playlist in the same event; the page
    // reads it once they have. A selection that lands on the file already shown (the player
    // selects the row it starts) leaves the fields as they are, edits included.
    for (QTableView* view : {master, slave}) {
        if (!view || !view->selectionModel()) continue;
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
            if (!isVisible()) return;
            QPointer<TagInfoPage> self(this);
            timerHost().post([self] {
                if (self && self->isVisible() && self->selectedFile() != self->file_)
                    self->showSelected();
            });
        });
    }
}

TagInfoPage* TagInfoPage::addDock(QMainWindow* window, QMenu* menu, PlayerPlaylists& lists,
                                  QTableView* master, QTableView* slave, const MyDatabase* store) {
    auto* dock = new QDockWidget(QString::fromUtf8("Информация"), window);
    dock->setObjectName(QStringLiteral("TagInfoDock"));
    auto* page = new TagInfoPage(lists, master, slave, store);
    dock->setWidget(page);
    window->addDockWidget(Qt::LeftDockWidgetArea, dock);
    dock->hide();
    dock->toggleViewAction()->setObjectName(QStringLiteral("ShowTagInfo"));
    menu->addAction(dock->toggleViewAction());
    return page;
}

QString TagInfoPage::selectedFile() const {
    const PlaylistView& v = lists_.ActivePlaylist();
    const int s = v.firstSelected();
    return s >= 0 ? v.at(s).FileName() : QString();
}

void TagInfoPage::showSelected() {
    showFile(selectedFile());
}

void TagInfoPage::showFile(const QString& file) {
    file_ = file;
    const TagPageFields f = file.isEmpty() ? TagPageFields{} : readTagPageFields(file);
    title_->setText(f.title);
    artist_->setText(f.artist);
    album_->setText(f.album);
    year_->setText(f.year);
    comm_->setText(f.comment);
    const int known = genre_->findText(f.genre, Qt::MatchFixedString);
    genre_->setCurrentIndex(known >= 0 ? known : -1);
    genre_->setEditText(f.genre);
    cbTag_->setChecked(true);
    mpinfo_->setText(f.info);
    lbTagFileName_->setToolTip(file.isEmpty() ? QStringLiteral("---") : file);
    elideName();
    refreshStoreLines();
}

void TagInfoPage::refreshStoreLines() {
    TTrackRecord record;
    if (store_ && !file_.isEmpty()) record = store_->GetTrackRecord(file_);
    const QStringList lines = trackInfoLines(store_ && !file_.isEmpty() ? &record : nullptr);
    storeFades_->setText(lines.value(0));
    storeStats_->setText(lines.value(1));
}

void TagInfoPage::elideName() {
    lbTagFileName_->setText(lbTagFileName_->fontMetrics().elidedText(
        file_, Qt::ElideMiddle, std::max(1, lbTagFileName_->width())));
}

void TagInfoPage::save() {
    TagPageFields f;
    f.title = title_->text();
    f.artist = artist_->text();
    f.album = album_->text();
    f.year = year_->text();
    f.comment = comm_->text();
    f.genre = genre_->currentText();
    f.tag = cbTag_->isChecked();
    const TagWriteResult r = saveTagPage(file_, f);
    if (!r.ok && !r.error.isEmpty())
        prompts().notify(PromptKind::Error, QString::fromLatin1(kTagEditorCaption), r.error);
    if (refreshRowsOfFile(lists_, file_) > 0) emit rowsChanged();
}

void TagInfoPage::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    showSelected();
}

void TagInfoPage::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    elideName();
}

} // namespace wc
