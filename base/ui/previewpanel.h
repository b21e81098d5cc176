#pragma once
// The preview transport of the library window: Previous, Play, Stop, Pause, Next, the volume
// slider, the seekable progress bar and the time and title lines, bound to a
// PreviewController. The window tells it which record is selected and moves the selection.
#include "base/core/preview.h"
#include "common/clock.h"

#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QSlider;

namespace wc::base {

class SeekBar;

class PreviewPanel final : public QWidget {
public:
    struct Hooks {
        std::function<const TBaseEntry*()> selected; // nullptr when no row is selected
        std::function<bool(int delta)> move;         // selects the row above (-1) or below (+1)
        std::function<void(int error)> failed;
    };
    PreviewPanel(PreviewDeck& deck, Hooks hooks, QWidget* parent = nullptr);

    PreviewController& controller() { return controller_; }
    void setVolumeOption(int volume); // Base.ini Volume: the slider shows 100 - volume
    int volumeOption() const;
    void setMonType(int monType) { controller_.setMonType(monType); }
    void play();
    void stop();
    void pause();
    void step(int delta);
    // What the 100 ms display timer shows.
    void refresh();

private:
    PreviewController controller_;
    Hooks hooks_;
    QSlider* volume_;
    SeekBar* bar_;
    QLabel* time_;
    QLabel* title_;
    std::unique_ptr<Timer> timer_;
};

} // namespace wc::base
