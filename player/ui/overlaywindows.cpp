#include "player/ui/overlaywindows.h"

#include "player/core/jingles/overlayjingles.h"
#include "player/core/jingles/prelisten.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

namespace wc {

SeekBar::SeekBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 1000);
    setValue(0);
    setTextVisible(false);
}

void SeekBar::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && width() > 0)
        emit seekRequested(
            std::clamp(int(std::lround(e->position().x() / width() * 1000.0)), 0, 1000));
    QProgressBar::mousePressEvent(e);
}

OverlayWindowBase::OverlayWindowBase(QWidget* mainWindow, const QString& name)
    : QWidget(mainWindow, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName(name);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    progress_ = new SeekBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBar"));
    layout->addWidget(progress_);
    auto* row = new QHBoxLayout;
    volume_ = new QSlider(Qt::Horizontal, this);
    volume_->setObjectName(QStringLiteral("VolumeSlider"));
    volume_->setRange(0, 100);
    row->addWidget(volume_, 1);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("btCancel"));
    row->addWidget(cancel_);
    layout->addLayout(row);
    connect(cancel_, &QPushButton::clicked, this, &QWidget::close);
    resize(320, 80);
}

TfrmJinPlay::TfrmJinPlay(QWidget* mainWindow, JinglePlayer& player,
                         std::function<bool(QKeyEvent*)> forwardKey)
    : OverlayWindowBase(mainWindow, QStringLiteral("TfrmJinPlay")), player_(&player),
      forwardKey_(std::move(forwardKey)) {
    setWindowTitle(player.request().caption);
    volume_->setVisible(!player.request().volumeSliderHidden);
    volume_->setValue(player.volume());
    connect(volume_, &QSlider::valueChanged, this, [this](int v) {
        if (player_) player_->setVolume(v);
    });
    connect(progress(), &SeekBar::seekRequested, this, [this](int v) {
        if (player_) player_->seek(v);
    });
    player.onProgress = [this](int v) { progress()->setValue(v); };
    player.onClosed = [this] {
        player_ = nullptr;
        close();
    };
}

TfrmJinPlay::~TfrmJinPlay() {
    if (player_) {
        player_->onProgress = nullptr;
        player_->onClosed = nullptr;
    }
}

void TfrmJinPlay::closeEvent(QCloseEvent* e) {
    if (JinglePlayer* p = std::exchange(player_, nullptr)) {
        p->onClosed = nullptr;
        p->onProgress = nullptr;
        p->close();
    }
    e->accept();
}

void TfrmJinPlay::keyPressEvent(QKeyEvent* e) {
    if (forwardKey_ && forwardKey_(e)) return e->accept();
    OverlayWindowBase::keyPressEvent(e);
}

PreListenWindow::PreListenWindow(QWidget* mainWindow, std::unique_ptr<PreListenPlayer> player)
    : OverlayWindowBase(mainWindow, QStringLiteral("PreListenWindow")), player_(std::move(player)) {
    setWindowTitle(QStringLiteral("Monitor"));
    connect(volume_, &QSlider::valueChanged, this, [this](int v) {
        if (!player_->closed()) player_->setVolume(v);
    });
    connect(progress(), &SeekBar::seekRequested, this, [this](int v) { player_->seek(v); });
    player_->onProgress = [this](int v) { progress()->setValue(v); };
}

PreListenWindow::~PreListenWindow() {
    player_->onProgress = nullptr;
    player_->onClosed = nullptr;
    player_->close();
}

bool PreListenWindow::start(const QString& file) {
    setWindowTitle(QFileInfo(file).fileName());
    if (!player_->show(file)) {
        close();
        return false;
    }
    volume_->setValue(player_->volume());
    player_->onClosed = [this] { close(); };
    return true;
}

void PreListenWindow::closeEvent(QCloseEvent* e) {
    player_->onClosed = nullptr;
    player_->close();
    e->accept();
}

} // namespace wc
