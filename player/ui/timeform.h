#pragma once
// The event window: every field of one schedule event, the dependencies between its boxes,
// and the two refusals (no target; a playlist over the programme). It builds the event from
// its controls when OK is accepted; the schedule page stores it.
#include "player/core/schedule/scheduleevent.h"

#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QSlider;
class QSpinBox;
class QTimeEdit;
class QUrl;

namespace wc {

class PlayerMessageTable;

class Ttimeform final : public QDialog {
    Q_OBJECT
public:
    struct Options {
        bool clock24h = true;
        QString dateFormat;    // the profile's DateFormat (Qt form)
        QString helpFile;      // Lang/<folder>/help.chm in the program folder
        QString fileDialogDir; // where the "..." dialog starts
    };
    Ttimeform(const ScheduleEvent& start, const Options& options,
              const PlayerMessageTable& messages, QWidget* parent = nullptr);

    // The event as the controls describe it (valid after OK; the transient fields clear).
    const ScheduleEvent& event() const { return event_; }
    void accept() override;

    // The "..." button's file choice (a file dialog unless replaced; "" when cancelled) and
    // the "?" button's opener (the desktop's unless replaced).
    std::function<QString()> chooseFile;
    std::function<bool(const QUrl&)> openUrl;
    // The help page the "?" button names.
    static constexpr const char* kHelpTopic = "schedule.htm#part2";

private:
    void useDateToggled(bool on);
    void overAirToggled(bool on);
    void showHelp();
    ScheduleEvent fromControls() const;

    const PlayerMessageTable& messages_;
    Options options_;
    ScheduleEvent event_;
    QComboBox* file_ = nullptr;
    QTimeEdit* time_ = nullptr;
    QDateEdit* date_ = nullptr;
    QCheckBox* useDate_ = nullptr;
    std::array<QCheckBox*, 7> days_{};
    QCheckBox* allDays_ = nullptr;
    QCheckBox* rightNow_ = nullptr;
    QCheckBox* above_ = nullptr;
    QSlider* gain_ = nullptr;
    QLabel* gainValue_ = nullptr;
    QCheckBox* delPrev_ = nullptr;
    QCheckBox* shuffle_ = nullptr;
    QCheckBox* repeat_ = nullptr;
    QSpinBox* minutes_ = nullptr;
    QSpinBox* count_ = nullptr;
    QCheckBox* queue_ = nullptr;
};

} // namespace wc
