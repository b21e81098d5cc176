#pragma once
// The small player windows over the main window: the jingle window TfrmJinPlay (one per
// playing jingle) and the pre-listen window. Each shows a progress bar (a click seeks to the
// clicked fraction), a volume slider and "Cancel", stays on top, and binds these to its
// player in player/core/jingles. Closing the window closes its player, and a player that
// ends closes its window.
#include <QProgressBar>
#include <QWidget>
#include <functional>

class QSlider;
class QPushButton;

namespace wc {

class JinglePlayer;
class PreListenPlayer;

// The progress bar 0..1000; a left click asks to seek to the clicked fraction.
class SeekBar : public QProgressBar {
    Q_OBJECT
public:
    explicit SeekBar(QWidget* parent);
signals:
    void seekRequested(int per1000);

protected:
    void mousePressEvent(QMouseEvent* e) override;
};

class OverlayWindowBase : public QWidget {
    Q_OBJECT
public:
    SeekBar* progress() const { return progress_; }
    QSlider* volume() const { return volume_; }
    QPushButton* cancel() const { return cancel_; }

protected:
    OverlayWindowBase(QWidget* mainWindow, const QString& name);
    QSlider* volume_ = nullptr;

private:
    SeekBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

class TfrmJinPlay final : public OverlayWindowBase {
    Q_OBJECT
public:
    // The window follows the player; it is freed when it closes.
    // forwardKey: the main window's key handling (returns whether the key was taken).
    TfrmJinPlay(QWidget* mainWindow, JinglePlayer& player,
                std::function<bool(QKeyEvent*)> forwardKey = {});
    ~TfrmJinPlay() override;
    JinglePlayer* player() const { return player_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    // Keys go to the main window's key handling.
    void keyPressEvent(QKeyEvent* e) override;

private:
    JinglePlayer* player_;
    std::function<bool(QKeyEvent*)> forwardKey_;
};

class PreListenWindow final : public OverlayWindowBase {
    Q_OBJECT
public:
    // Owns the player (and so its deck); freed when it closes.
    PreListenWindow(QWidget* mainWindow, std::unique_ptr<PreListenPlayer> player);
    ~PreListenWindow() override;
    PreListenPlayer& player() const { return *player_; }
    // Opens the file; false (and the window closing) on a failure.
    bool start(const QString& file);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    std::unique_ptr<PreListenPlayer> player_;
};

} // namespace wc
