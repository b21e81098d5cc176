#include "searchfields.h"

#include "base/core/windowrules.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace wc::base {

SearchFields::SearchFields(QWidget* parent) : QWidget(parent) {
    static const char* const kNames[] = {"edTitle", "edArtist",  "edAlbum", "edYear",
                                         "edGenre", "edComment", "edTime",  "edFileName"};
    static const char* const kCaptions[] = {"Title", "Artist",  "Album", "Year",
                                            "Genre", "Comment", "Time",  "File name"};
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < kSearchFieldCount; ++i) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(kNames[i]));
        e->installEventFilter(this);
        fields_[size_t(i)] = e;
        grid->addWidget(new QLabel(QString::fromLatin1(kCaptions[i]), this), (i / 4) * 2, i % 4);
        grid->addWidget(e, (i / 4) * 2 + 1, i % 4);
    }
}

SearchQuery SearchFields::query() const {
    SearchQuery q;
    for (int i = 0; i < kSearchFieldCount; ++i)
        q.fields[size_t(i)] = fields_[size_t(i)]->text();
    return q;
}

void SearchFields::clear() {
    for (auto* e : fields_)
        e->clear();
}

bool SearchFields::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            emit searchRequested();
            return true;
        }
    } else if (event->type() == QEvent::KeyRelease && quick_) {
        const auto* k = static_cast<QKeyEvent*>(event);
        if (!k->isAutoRepeat() && keyRunsQuickSearch(k->key())) emit searchRequested();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace wc::base
