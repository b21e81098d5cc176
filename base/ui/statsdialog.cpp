#include "statsdialog.h"

#include "base/core/baselanguage.h"
#include "base/ui/captions.h"

#include "base/ui/statspie.h"
#include "platform/prompts.h"

#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace wc::base {

StatsDialog::StatsDialog(const TBaseEntryArr& records, const QString& totalTime, QWidget* parent)
    : QDialog(parent), records_(records) {
    setObjectName(QStringLiteral("TStatFrm"));
    setWindowTitle(QStringLiteral("Statistics"));
    auto* lay = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto label = [&](const char* name, const QString& caption) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        form->addRow(caption, l);
        return l;
    };
    count_ = label("lbCount", QStringLiteral("Kоличество треков"));
    time_ = label("lbTotalTime", QStringLiteral("Общее время"));
    sizes_ = label("lbSizes", QStringLiteral("Размер файлов"));
    dbSize_ = label("lbBaseSize", QStringLiteral("Размер базы данных"));
    shortest_ = label("lbShortest", QStringLiteral("Самый короткий трек"));
    longest_ = label("lbLongest", QStringLiteral("Самый длинный трек"));
    average_ = label("lbAverage", QStringLiteral("Средняя длина треков"));
    genre_ = label("lbGenre", QStringLiteral("Самый популярный стиль"));
    year_ = label("lbYear", QStringLiteral("Самый популярный год"));
    artists_ = label("lbArtists", QStringLiteral("Количество исполнителей"));
    lay->addLayout(form);
    gauge_ = new QProgressBar(this);
    gauge_->setObjectName(QStringLiteral("pbGauge"));
    gauge_->setRange(0, 0); // busy until the lengths are known
    lay->addWidget(gauge_);
    pie_ = new StatsPie(this);
    lay->addWidget(pie_);
    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("btClose"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    lay->addWidget(close);
    shortest_->installEventFilter(this);
    longest_->installEventFilter(this);

    applyCaptions(this, baseLanguage().captions.value(QStringLiteral("StatFrm.Captions")));
    count_->setText(QString::number(records_.size()));
    time_->setText(totalTime);
    sizes_->setText(QStringLiteral("<wait>"));
    dbSize_->setText(QString::asprintf("%.2f KB", double(records_.size()) * 492.0 / 1024.0));
    worker_ = std::make_unique<StatWorker>(
        records_,
        [this](int pc) {
            gauge_->setRange(0, 100);
            gauge_->setValue(pc);
        },
        [this](const LibraryStats& s) { show(s); });
    worker_->start();
}

StatsDialog::~StatsDialog() {
    if (worker_) {
        worker_->stop();
        worker_->join();
    }
}

void StatsDialog::show(const LibraryStats& s) {
    stats_ = s;
    done_ = true;
    shortest_->setText(s.shortestText);
    longest_->setText(s.longestText);
    average_->setText(s.averageText);
    genre_->setText(s.topGenre);
    year_->setText(s.topYear);
    artists_->setText(s.artists);
    sizes_->setText(s.sizesText);
    gauge_->hide();
    pie_->setShares(s.shares());
}

void StatsDialog::joinWorker() {
    if (worker_) worker_->join();
}

void StatsDialog::done(int r) {
    if (worker_) {
        worker_->stop();
        worker_->join();
    }
    QDialog::done(r);
}

void StatsDialog::showTrack(int index) {
    if (index < 0 || size_t(index) >= records_.size()) return;
    const TBaseEntry& e = records_[size_t(index)];
    const qint64 ms = e.durationMs;
    prompts().notify(
        PromptKind::Information, QStringLiteral("Track information"),
        QStringLiteral("Title: %1\nArtist: %2\nAlbum: %3\nYear: %4\nGenre: %5\nComment: %6\n"
                       "Time: %7\nFilename: %8")
            .arg(e.title, e.artist, e.album, e.year, e.genre, e.comment,
                 QString::asprintf("%lld sec (%.2lld:%.2lld min)", ms / 1000, ms / 60000,
                                   (ms / 1000) % 60),
                 e.fileName.trimmed()));
}

bool StatsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && done_) {
        if (watched == shortest_) showTrack(stats_.shortest);
        if (watched == longest_) showTrack(stats_.longest);
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace wc::base
