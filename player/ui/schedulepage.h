#pragma once
// The schedule page: the list sdlist over the scheduler's events with its seven columns, the
// page's buttons and context menu, the scheduler switch cbSchedule, the once-a-second
// countdowns and the blink of rows that are due soon. The logic is the scheduler's; this
// binds widgets to it.
#include "player/core/schedule/scheduler.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>

class QCheckBox;
class QMainWindow;
class QMenu;
class QPushButton;
class QTableView;

namespace wc {

class PlayerMessageTable;
class Ttimeform;
struct TProfile;

class ScheduleModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ScheduleModel(const Scheduler& scheduler, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    void reset();
    void refreshRows();
    // The colour of rows that are due soon: alternated by the main timer.
    void setBlinkColour(const QColor& c);
    QColor blinkColour() const { return blink_; }
    // Whether times show on 24 hours (the profile's Clock24h, asked at every paint).
    std::function<bool()> clock24h;

private:
    const Scheduler& s_;
    QColor blink_;
};

class SchedulePage final : public QWidget, public SchedulerHooks {
    Q_OBJECT
public:
    struct Options {
        std::function<bool()> clock24h;
        std::function<QString()> dateFormat;
        std::function<QString()> helpFile;
    };
    SchedulePage(Scheduler& scheduler, const PlayerMessageTable& messages, Options options,
                 QWidget* parent = nullptr);
    // The page in a dock of window, hidden at first; menu gets the entry that shows it
    // ("Планировщик", ShowSchedule).
    static SchedulePage* addDock(QMainWindow* window, QMenu* menu, Scheduler& scheduler,
                                 const PlayerMessageTable& messages, Options options);

    // A profile was loaded: the list's column widths, the scheduler's options, the switch and
    // the profile's schedule file.
    void applyProfile(const TProfile& profile, const QString& profilePath);
    // A profile is saved: the switch and the column widths go into it, the list into the
    // profile's schedule file.
    void storeInProfile(TProfile& profile, const QString& profilePath);

    QTableView* list() const { return list_; }
    QCheckBox* switchBox() const { return cbSchedule_; }
    ScheduleModel* model() const { return model_; }
    // The scheduler on or off as by a click on cbSchedule.
    void setSchedulerOn(bool on);
    // Once a second (from the clock): countdowns while the page shows and the scheduler is on.
    void clockSecond();
    // Every 8th main-timer tick: the blink colour alternates while the page shows.
    void blink();

    // The file dialogs of Save and Load ("" when cancelled), replaceable for tests.
    std::function<QString(bool forSaving)> askScheduleFile;

    // SchedulerHooks
    void listReset() override;
    void rowsChanged() override;
    void titleChanged() override;
    void enabledChanged(bool on) override;
    void centreOnPlaying() override;

signals:
    void titleChangeRequested();
    void schedulerSwitched(bool on);
    void centreRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    int selectedRow() const;
    void updateButtons();
    // Opens the event window with start; on OK, store(event) is called.
    void openEventWindow(const ScheduleEvent& start,
                         std::function<void(const ScheduleEvent&)> store);
    void addEvent();
    void editEvent();
    void deleteEvent();
    void runNow();
    void saveList();
    void loadList();
    QString scheduleFolder() const;

    Scheduler& s_;
    const PlayerMessageTable& messages_;
    Options options_;
    ScheduleModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* clear_ = nullptr;
    QPushButton* runNow_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* load_ = nullptr;
    QCheckBox* cbSchedule_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* menuEdit_ = nullptr;
    QAction* menuDelete_ = nullptr;
    bool blinkOn_ = false;
};

} // namespace wc
