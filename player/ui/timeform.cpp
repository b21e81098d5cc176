#include "player/ui/timeform.h"

#include "common/log.h"
#include "common/oledate.h"
#include "platform/prompts.h"
#include "player/core/messagetable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimeEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace wc {

namespace {

const char* const kCommandWords[] = {"play ",         "stop",     "next",
                                     "prev",          "setvol ",  "profile ",
                                     "playfile ",     "load ",    "getrandomplaylist ",
                                     "clearplaylist", "poweroff", "reboot",
                                     "set ",          "clr "};

const char* const kFileFilter =
    "Audio Files, Playlists (mp3, m3u, wav, wma, cda, ogg, ...)|*.wav;*.mp3;*.ogg;*.wma;*.wmv;"
    "*.cda;*.spx;*.aac;*.mp4;*.ac3;*.alac;*.mpc;*.ofr;*.tta;*.wv;line.in;*.m3u";

// "Caption|patterns" as a Qt name filter.
QString qtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    if (parts.size() < 2) return filter;
    return parts[0] + QStringLiteral(" (") + QString(parts[1]).replace(u';', u' ') + u')';
}

QCheckBox* box(const QString& name, const QString& text, QWidget* parent) {
    auto* b = new QCheckBox(text, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

Ttimeform::Ttimeform(const ScheduleEvent& start, const Options& options,
                     const PlayerMessageTable& messages, QWidget* parent)
    : QDialog(parent), messages_(messages), options_(options), event_(start) {
    setObjectName(QStringLiteral("Ttimeform"));
    setWindowTitle(QStringLiteral("Schedule"));
    chooseFile = [this] {
        return QFileDialog::getOpenFileName(this, QString(), options_.fileDialogDir,
                                            qtFilter(QLatin1String(kFileFilter)));
    };
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    auto* layout = new QVBoxLayout(this);
    auto* fileRow = new QHBoxLayout;
    file_ = new QComboBox(this);
    file_->setObjectName(QStringLiteral("_file"));
    file_->setEditable(true);
    file_->setInsertPolicy(QComboBox::NoInsert);
    for (const char* w : kCommandWords)
        file_->addItem(QLatin1String(w));
    file_->setMinimumWidth(360);
    auto* browse = new QPushButton(QStringLiteral("..."), this);
    browse->setObjectName(QStringLiteral("btBrowse"));
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse);
    layout->addLayout(fileRow);

    auto* whenRow = new QHBoxLayout;
    time_ = new QTimeEdit(this);
    time_->setObjectName(QStringLiteral("_time"));
    time_->setDisplayFormat(options.clock24h ? QStringLiteral("HH:mm:ss")
                                             : QStringLiteral("hh:mm:ss AP"));
    date_ = new QDateEdit(this);
    date_->setObjectName(QStringLiteral("_date"));
    date_->setCalendarPopup(true);
    if (!options.dateFormat.isEmpty()) date_->setDisplayFormat(options.dateFormat);
    useDate_ = box(QStringLiteral("cbUseDate"), QString::fromUtf8("Учитывать дату"), this);
    whenRow->addWidget(time_);
    whenRow->addWidget(date_);
    whenRow->addWidget(useDate_);
    layout->addLayout(whenRow);

    auto* daysRow = new QHBoxLayout;
    const char* dayNames[] = {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
    for (int d = 0; d < 7; ++d) {
        days_[size_t(d)] =
            box(QStringLiteral("cb_%1").arg(d), QString::fromUtf8(dayNames[d]), this);
        daysRow->addWidget(days_[size_t(d)]);
    }
    allDays_ = box(QStringLiteral("cb_all"), QString::fromUtf8("Все"), this);
    daysRow->addWidget(allDays_);
    layout->addLayout(daysRow);

    rightNow_ = box(QStringLiteral("rightnow"), QString::fromUtf8("Запускать немедленно"), this);
    above_ = box(QStringLiteral("cbAbove"), QString::fromUtf8("Запускать поверх эфира"), this);
    layout->addWidget(rightNow_);
    layout->addWidget(above_);
    auto* gainRow = new QHBoxLayout;
    gainRow->addWidget(new QLabel(QStringLiteral("Set music level to:"), this));
    gain_ = new QSlider(Qt::Horizontal, this);
    gain_->setObjectName(QStringLiteral("tbgain"));
    gain_->setRange(0, 100);
    gainValue_ = new QLabel(this);
    gainValue_->setObjectName(QStringLiteral("lbgain"));
    gainRow->addWidget(gain_, 1);
    gainRow->addWidget(gainValue_);
    layout->addLayout(gainRow);
    delPrev_ = box(QStringLiteral("cbDelPrev"),
                   QString::fromUtf8("Удалять предыдущее расписание из плейлиста"), this);
    shuffle_ = box(QStringLiteral("cbShuffle"),
                   QString::fromUtf8("Вставить плейлист в случайном порядке"), this);
    layout->addWidget(delPrev_);
    layout->addWidget(shuffle_);
    auto* repeatRow = new QHBoxLayout;
    repeat_ = box(QStringLiteral("cbRepeat"), QString::fromUtf8("Повторять каждые"), this);
    minutes_ = new QSpinBox(this);
    minutes_->setObjectName(QStringLiteral("seMinutes"));
    minutes_->setRange(1, 1000);
    count_ = new QSpinBox(this);
    count_->setObjectName(QStringLiteral("seCount"));
    count_->setRange(1, 1000000);
    repeatRow->addWidget(repeat_);
    repeatRow->addWidget(minutes_);
    repeatRow->addWidget(new QLabel(QString::fromUtf8("мин., не более"), this));
    repeatRow->addWidget(count_);
    repeatRow->addWidget(new QLabel(QString::fromUtf8("раз"), this));
    repeatRow->addStretch();
    layout->addLayout(repeatRow);
    queue_ = box(
        QStringLiteral("cbQueue"),
        QString::fromUtf8("Если в плейлисте есть треки из расписания, поставить в очередь"), this);
    layout->addWidget(queue_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* help = buttons->addButton(QStringLiteral("?"), QDialogButtonBox::HelpRole);
    help->setObjectName(QStringLiteral("btHelp"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancel"));
    layout->addWidget(buttons);

    // The controls from the event.
    file_->setEditText(start.Target);
    const QDateTime when = fromOleDate(start.When);
    time_->setTime(when.time());
    date_->setDate(when.date());
    useDate_->setChecked(start.UseDate);
    for (int d = 0; d < 7; ++d)
        days_[size_t(d)]->setChecked(start.Days[size_t(d)] != '0');
    rightNow_->setChecked(start.Immediate);
    above_->setChecked(start.OverAir);
    gain_->setValue(start.DuckLevel);
    gainValue_->setText(QString::number(gain_->value()));
    delPrev_->setChecked(start.DeletePrevious);
    shuffle_->setChecked(start.ShufflePlaylist);
    repeat_->setChecked(start.RepeatOn);
    minutes_->setValue(start.RepeatMinutes);
    count_->setValue(start.RepeatCount);
    queue_->setChecked(start.QueueAfterScheduled);
    useDateToggled(start.UseDate);
    overAirToggled(start.OverAir);

    // The dependencies between the boxes, as the user ticks them.
    connect(useDate_, &QCheckBox::toggled, this, [this](bool on) { useDateToggled(on); });
    connect(allDays_, &QCheckBox::clicked, this, [this](bool on) {
        for (QCheckBox* d : days_)
            d->setChecked(on);
    });
    connect(above_, &QCheckBox::toggled, this, [this](bool on) { overAirToggled(on); });
    connect(rightNow_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) queue_->setChecked(false);
    });
    connect(queue_, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) return;
        rightNow_->setChecked(false);
        delPrev_->setChecked(false);
    });
    connect(delPrev_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) queue_->setChecked(false);
    });
    connect(gain_, &QSlider::valueChanged, this,
            [this](int v) { gainValue_->setText(QString::number(v)); });
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString f = chooseFile ? chooseFile() : QString();
        if (!f.isEmpty()) file_->setEditText(f);
    });
    connect(help, &QPushButton::clicked, this, [this] { showHelp(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &Ttimeform::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &Ttimeform::reject);
}

void Ttimeform::useDateToggled(bool on) {
    for (QCheckBox* d : days_)
        d->setEnabled(!on);
    allDays_->setEnabled(!on);
    date_->setEnabled(on);
}

void Ttimeform::overAirToggled(bool on) {
    gain_->setEnabled(on);
    for (QCheckBox* b : {rightNow_, queue_, shuffle_, delPrev_})
        b->setEnabled(!on);
}

void Ttimeform::showHelp() {
    // The desktop's viewer gets the help file; the page inside it cannot be named through the
    // desktop's opener, so the file opens at its start.
    if (!QFileInfo(options_.helpFile).isFile()) {
        logLine(QStringLiteral("Help: no help file %1").arg(options_.helpFile));
        return;
    }
    if (openUrl && !openUrl(QUrl::fromLocalFile(options_.helpFile)))
        logLine(QStringLiteral("Help: the desktop could not open %1").arg(options_.helpFile));
}

ScheduleEvent Ttimeform::fromControls() const {
    ScheduleEvent e = event_;
    e.Target = file_->currentText();
    e.When = double(oleDayNumber(toOleDate(QDateTime(date_->date(), QTime(12, 0))))) +
             double(time_->time().msecsSinceStartOfDay()) / kMsPerDay;
    e.UseDate = useDate_->isChecked();
    for (int d = 0; d < 7; ++d)
        e.Days[size_t(d)] = days_[size_t(d)]->isChecked() ? '1' : '0';
    e.Immediate = rightNow_->isChecked();
    e.OverAir = above_->isChecked();
    e.DuckLevel = gain_->value();
    e.DeletePrevious = delPrev_->isChecked();
    e.ShufflePlaylist = shuffle_->isChecked();
    e.RepeatOn = repeat_->isChecked();
    e.RepeatMinutes = minutes_->value();
    e.RepeatCount = count_->value();
    e.QueueAfterScheduled = queue_->isChecked();
    e.Fired = false;
    e.FiredAt = 0;
    e.Countdown.clear();
    e.Soon = false;
    return e;
}

void Ttimeform::accept() {
    const QString target = file_->currentText().trimmed();
    if (target.isEmpty()) {
        prompts().notify(PromptKind::Warning, QStringLiteral("Error"),
                         messages_.text(PlayerMessageTable::NoNameEntered));
        return;
    }
    if (QFileInfo(target).suffix().toLower() == QLatin1String("m3u") && above_->isChecked()) {
        prompts().notify(PromptKind::Warning, QStringLiteral("Error"),
                         messages_.text(PlayerMessageTable::PlaylistOverAir));
        return;
    }
    event_ = fromControls();
    QDialog::accept();
}

} // namespace wc
