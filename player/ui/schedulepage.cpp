#include "player/ui/schedulepage.h"

#include "common/clock.h"
#include "common/log.h"
#include "common/paths.h"
#include "platform/prompts.h"
#include "player/core/messagetable.h"
#include "player/core/profile/profile.h"
#include "player/core/schedule/scheduleprofile.h"
#include "player/ui/timeform.h"

#include <QAction>
#include <QCheckBox>
#include <QColor>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace wc {

// --- the list's model -----------------------------------------------------------------------

ScheduleModel::ScheduleModel(const Scheduler& scheduler, QObject* parent)
    : QAbstractTableModel(parent), s_(scheduler), blink_(Qt::white) {}

int ScheduleModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : s_.count();
}

int ScheduleModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 7;
}

QVariant ScheduleModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= s_.count()) return {};
    const ScheduleEvent& e = s_.at(index.row());
    if (role == Qt::BackgroundRole) return e.Soon ? QVariant(blink_) : QVariant();
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
    case 0:
        return e.Countdown;
    case 1:
        return scheduleDateText(e, systemShortDateFormat());
    case 2:
        return scheduleTimeText(e, clock24h ? clock24h() : true);
    case 3:
        return e.Immediate ? QStringLiteral("+") : QStringLiteral(" ");
    case 4:
        return e.OverAir ? QStringLiteral("+") : QStringLiteral(" ");
    case 5:
        return e.OverAir ? QString::number(e.DuckLevel) : QStringLiteral(" ");
    default:
        return e.Target;
    }
}

QVariant ScheduleModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const headings[] = {"Запустится через", "Date", "Time", "Imm", "A", "Mute",
                                           "Filename"};
    return section >= 0 && section < 7 ? QString::fromUtf8(headings[section]) : QString();
}

void ScheduleModel::reset() {
    beginResetModel();
    endResetModel();
}

void ScheduleModel::refreshRows() {
    if (s_.count() > 0) emit dataChanged(index(0, 0), index(s_.count() - 1, 6));
}

void ScheduleModel::setBlinkColour(const QColor& c) {
    blink_ = c;
    refreshRows();
}

// --- the page -------------------------------------------------------------------------------

SchedulePage::SchedulePage(Scheduler& scheduler, const PlayerMessageTable& messages,
                           Options options, QWidget* parent)
    : QWidget(parent), s_(scheduler), messages_(messages), options_(std::move(options)) {
    setObjectName(QStringLiteral("tsSchedule"));
    askScheduleFile = [this](bool forSaving) {
        QDir().mkpath(scheduleFolder());
        QFileDialog dialog(this, QString(), scheduleFolder());
        dialog.setNameFilter(QStringLiteral("Schedule (*.sdl)"));
        dialog.setDefaultSuffix(QStringLiteral("sdl"));
        dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().constFirst();
    };

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto button = [&](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromUtf8(text), this);
        b->setObjectName(QLatin1String(name));
        top->addWidget(b);
        return b;
    };
    add_ = button("btAdd", "Add...");
    edit_ = button("btEdit", "Edit...");
    delete_ = button("btDelete", "Delete");
    clear_ = button("btClear", "Clear");
    runNow_ = button("btsstart", "Run Now");
    save_ = button("btSaveSchedule", "Save...");
    load_ = button("btLoadSchedule", "Load...");
    top->addStretch();
    cbSchedule_ = new QCheckBox(QString::fromUtf8("Вкл"), this);
    cbSchedule_->setObjectName(QStringLiteral("cbSchedule"));
    top->addWidget(cbSchedule_);
    layout->addLayout(top);

    list_ = new QTableView(this);
    list_->setObjectName(QStringLiteral("sdlist"));
    model_ = new ScheduleModel(s_, list_);
    model_->clock24h = options_.clock24h;
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->horizontalHeader()->setSectionsClickable(true);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->installEventFilter(this);
    layout->addWidget(list_, 1);

    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("ScheduleMenu"));
    QAction* menuAdd = menu_->addAction(QStringLiteral("Add/"), this, [this] { addEvent(); });
    menuAdd->setObjectName(QStringLiteral("mScheduleAdd"));
    menuEdit_ = menu_->addAction(QStringLiteral("Edit/"), this, [this] { editEvent(); });
    menuEdit_->setObjectName(QStringLiteral("mScheduleEdit"));
    menuDelete_ = menu_->addAction(QStringLiteral("Delete/"), this, [this] { deleteEvent(); });
    menuDelete_->setObjectName(QStringLiteral("mScheduleDelete"));
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { menu_->popup(list_->viewport()->mapToGlobal(p)); });

    connect(add_, &QPushButton::clicked, this, [this] { addEvent(); });
    connect(edit_, &QPushButton::clicked, this, [this] { editEvent(); });
    connect(delete_, &QPushButton::clicked, this, [this] { deleteEvent(); });
    connect(clear_, &QPushButton::clicked, this, [this] { s_.clear(); });
    connect(runNow_, &QPushButton::clicked, this, [this] { runNow(); });
    connect(save_, &QPushButton::clicked, this, [this] { saveList(); });
    connect(load_, &QPushButton::clicked, this, [this] { loadList(); });
    connect(cbSchedule_, &QCheckBox::clicked, this, [this](bool on) { setSchedulerOn(on); });
    connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { s_.sortByColumn(column); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { updateButtons(); });
    s_.setHooks(this);
    updateButtons();
}

SchedulePage* SchedulePage::addDock(QMainWindow* window, QMenu* menu, Scheduler& scheduler,
                                    const PlayerMessageTable& messages, Options options) {
    auto* dock = new QDockWidget(QString::fromUtf8("Расписание"), window);
    dock->setObjectName(QStringLiteral("ScheduleDock"));
    auto* page = new SchedulePage(scheduler, messages, std::move(options), dock);
    dock->setWidget(page);
    window->addDockWidget(Qt::BottomDockWidgetArea, dock);
    dock->hide();
    QAction* show = dock->toggleViewAction();
    show->setText(QString::fromUtf8("Планировщик"));
    show->setObjectName(QStringLiteral("ShowSchedule"));
    if (menu) menu->addAction(show);
    return page;
}

void SchedulePage::applyProfile(const TProfile& profile, const QString& profilePath) {
    const std::vector<int> widths = storedColumnWidths(profile.ColumnsSchedule, 7);
    for (int c = 0; c < 7; ++c)
        if (widths[size_t(c)] > 0) list_->setColumnWidth(c, widths[size_t(c)]);
    s_.scheduleFadeTimeMs = profile.ScheduleFadeTime;
    s_.centreList = profile.PlaylistCenter;
    loadProfileSchedule(s_, profile.ScheduleState, programDir(), profilePath);
}

void SchedulePage::storeInProfile(TProfile& profile, const QString& profilePath) {
    profile.ScheduleState = s_.enabled();
    std::vector<int> widths;
    for (int c = 0; c < 7; ++c)
        widths.push_back(list_->columnWidth(c));
    profile.ColumnsSchedule = columnWidthsRecord(widths, false);
    QString error;
    if (!saveProfileSchedule(s_, programDir(), profilePath, &error))
        logLine(QStringLiteral("The schedule was not saved: ") + error);
}

QString SchedulePage::scheduleFolder() const {
    return inProgramDir(QStringLiteral("Presets/Schedule/"));
}

int SchedulePage::selectedRow() const {
    const QModelIndexList rows = list_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return -1;
    const int r = rows.constFirst().row();
    return r < s_.count() ? r : -1;
}

void SchedulePage::updateButtons() {
    const bool selected = selectedRow() >= 0;
    for (QPushButton* b : {edit_, delete_, runNow_})
        b->setEnabled(selected);
    menuEdit_->setEnabled(selected);
    menuDelete_->setEnabled(selected);
}

void SchedulePage::setSchedulerOn(bool on) {
    s_.setEnabled(on);
    cbSchedule_->setChecked(s_.enabled());
    emit schedulerSwitched(s_.enabled());
}

void SchedulePage::clockSecond() {
    if (isVisible() && s_.enabled()) s_.UpdateCountdowns();
}

void SchedulePage::blink() {
    if (!isVisible()) return;
    blinkOn_ = !blinkOn_;
    model_->setBlinkColour(blinkOn_ ? QColor(255, 0, 0) : QColor(Qt::white));
}

void SchedulePage::openEventWindow(const ScheduleEvent& start,
                                   std::function<void(const ScheduleEvent&)> store) {
    Ttimeform::Options o;
    o.clock24h = options_.clock24h ? options_.clock24h() : true;
    o.dateFormat = options_.dateFormat ? options_.dateFormat() : QString();
    o.helpFile = options_.helpFile ? options_.helpFile() : QString();
    o.fileDialogDir = programDir();
    auto* form = new Ttimeform(start, o, messages_, this);
    form->setAttribute(Qt::WA_DeleteOnClose);
    connect(form, &QDialog::accepted, this, [form, store] { store(form->event()); });
    // Window-modal without a nested event loop: the scheduler goes on running meanwhile.
    form->open();
}

void SchedulePage::addEvent() {
    const int row = selectedRow();
    ScheduleEvent start;
    if (row >= 0) {
        start = s_.at(row);
    } else {
        start.When = clock().nowOle(); // today's date and the current time
    }
    openEventWindow(start, [this](const ScheduleEvent& e) { s_.add(e); });
}

void SchedulePage::editEvent() {
    const int row = selectedRow();
    if (row < 0) return;
    const quint64 generation = s_.generation();
    openEventWindow(s_.at(row), [this, row, generation](const ScheduleEvent& e) {
        // The list changed while the window was open (a command loaded another schedule):
        // the row may be another event now, so the edited one is added instead.
        if (s_.generation() == generation) {
            s_.replace(row, e);
        } else {
            logLine(QStringLiteral("Schedule: the list changed while an event was edited; "
                                   "the edited event was added"));
            s_.add(e);
        }
    });
}

void SchedulePage::deleteEvent() {
    const int row = selectedRow();
    if (row >= 0) s_.remove(row);
}

void SchedulePage::runNow() {
    const int row = selectedRow();
    if (row >= 0) s_.RunScheduleEvent(row);
}

void SchedulePage::saveList() {
    const QString path = askScheduleFile ? askScheduleFile(true) : QString();
    if (path.isEmpty()) return;
    QString error;
    if (!s_.save(path, &error))
        prompts().notify(PromptKind::Error, QStringLiteral("Error"),
                         QStringLiteral("Cannot save the schedule %1: %2").arg(path, error));
}

void SchedulePage::loadList() {
    const QString path = askScheduleFile ? askScheduleFile(false) : QString();
    if (path.isEmpty()) return;
    if (!s_.load(path))
        prompts().notify(PromptKind::Error, QStringLiteral("Error"),
                         QStringLiteral("Cannot read the schedule %1").arg(path));
}

bool SchedulePage::eventFilter(QObject* watched, QEvent* e) {
    if (watched == list_ && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete &&
        static_cast<QKeyEvent*>(e)->modifiers() == Qt::NoModifier) {
        deleteEvent();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void SchedulePage::listReset() {
    model_->reset();
    updateButtons();
}

void SchedulePage::rowsChanged() {
    model_->refreshRows();
}

void SchedulePage::titleChanged() {
    emit titleChangeRequested();
}

void SchedulePage::enabledChanged(bool on) {
    cbSchedule_->setChecked(on);
    emit schedulerSwitched(on);
}

void SchedulePage::centreOnPlaying() {
    emit centreRequested();
}

} // namespace wc
