#pragma once
// The statistics window ("Statistics"). The figures come from a worker on its own copy of the
// records; closing the window stops the worker and waits for it before the window goes.
#include "base/core/statistics.h"

#include <QDialog>
#include <memory>

class QLabel;
class QProgressBar;

namespace wc::base {

class StatsPie;

class StatsDialog final : public QDialog {
public:
    StatsDialog(const TBaseEntryArr& records, const QString& totalTime, QWidget* parent = nullptr);
    ~StatsDialog() override;
    bool finished() const { return done_; }
    const LibraryStats& stats() const { return stats_; }
    StatsPie* pie() const { return pie_; }
    // Waits until the worker has ended (its results arrive through the event loop after).
    void joinWorker();

protected:
    void done(int r) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show(const LibraryStats& s);
    void showTrack(int index);

    TBaseEntryArr records_;
    LibraryStats stats_;
    bool done_ = false;
    std::unique_ptr<StatWorker> worker_;
    QProgressBar* gauge_;
    StatsPie* pie_;
    QLabel *count_, *time_, *sizes_, *dbSize_, *shortest_, *longest_, *average_, *genre_, *year_,
        *artists_;
};

} // namespace wc::base
