#include "player/ui/jinglebank.h"

#include "player/core/edit/commandstates.h"
#include "player/core/playback/onairchain.h"
#include "player/core/profile/profile.h"
#include "player/ui/overlaywindows.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace wc {

namespace {

QString askOpen(QWidget* parent, const QString& filter, int selected) {
    QFileDialog dialog(parent);
    const QStringList filters = qtNameFilters(filter);
    dialog.setNameFilters(filters);
    if (selected >= 0 && selected < filters.size()) dialog.selectNameFilter(filters[selected]);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString askSave(QWidget* parent, const QString& filter) {
    QFileDialog dialog(parent);
    dialog.setNameFilters(qtNameFilters(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("lst"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

JingleBank::JingleBank(QMainWindow* window, TProfile& profile, Sources sources)
    : QObject(window), window_(window), profile_(profile), sources_(std::move(sources)),
      lengths_(sources_.durationMs ? sources_.durationMs
                                   : std::function<int(const QString&)>(audio::FileDurationMs)),
      list_(profile, *this, [this] { return deckSetup(); }) {
    list_.logEvent = [this](const QString& line) {
        if (sources_.logEvent) sources_.logEvent(line);
    };
    list_.onOpened = [this](JinglePlayer& p) {
        auto* w = new TfrmJinPlay(window_, p, sources_.forwardKey);
        w->show();
    };
    listDialogs.openFile = askOpen;
    listDialogs.saveFile = askSave;

    bar_ = window->addToolBar(QString::fromUtf8("Джинглы"));
    bar_->setObjectName(QStringLiteral("JingleBar"));
    menu_ = window->menuBar()->addMenu(QString::fromUtf8("Джинглы"));
    menu_->setObjectName(QStringLiteral("JinglesMenu"));
    for (int n = 1; n <= 9; ++n) {
        auto* b = new QToolButton(bar_);
        b->setObjectName(QStringLiteral("tbj%1").arg(n));
        b->setText(QString::number(n));
        b->setProperty("slot", n);
        connect(b, &QToolButton::clicked, this, [this, n] { PlayJingl(n); });
        bar_->addWidget(b);
        buttons_[std::size_t(n - 1)] = b;
        QAction* a = menu_->addAction(QString::number(n), this, [this, n] { PlayJingl(n); });
        a->setObjectName(QStringLiteral("jin%1").arg(n));
        a->setProperty("slot", n);
        entries_[std::size_t(n - 1)] = a;
    }
    menu_->addSeparator();
    QAction* assign =
        menu_->addAction(QString::fromUtf8("Назначить..."), this, [this] { showJingleList(); });
    assign->setObjectName(QStringLiteral("JinAssign"));
    refreshButtons();
}

JingleBank::~JingleBank() {
    list_.onOpened = nullptr;
    list_.closeAll();
}

JingleDeckSetup JingleBank::deckSetup() const {
    JingleDeckSetup s;
    s.mixerMode = !sources_.noMixerChannel;
    if (OnAirChain* c = sources_.onAir ? sources_.onAir() : nullptr) {
        s.device = c->controller().DeckA().device;
        if (!s.mixerMode) s.speakerFlags = c->controller().DeckA().speakerFlags;
    }
    return s;
}

void JingleBank::StartMusicFade(int target, int durationMs) {
    if (OnAirChain* c = sources_.onAir ? sources_.onAir() : nullptr)
        c->mainTimer().StartMusicFade(target, durationMs);
}

void JingleBank::SetMusicVolume(int v) {
    if (OnAirChain* c = sources_.onAir ? sources_.onAir() : nullptr)
        c->mainTimer().SetMusicVolume(v);
}

void JingleBank::PlayJingl(int slot) {
    refreshButtons();
    if (!slots_.valid(slot) || slots_.file(slot).isEmpty()) return;
    JingleRequest r;
    r.file = slots_.file(slot);
    r.caption = QStringLiteral("Jingle");
    r.musicLevel = profile_.JVol;
    r.fadeTimeMs = profile_.ScheduleFadeTime;
    list_.OpenJingleWindow(r);
}

void JingleBank::OpenJingleWindow(const OverlayRequest& request) {
    JingleRequest r;
    r.file = request.file;
    r.caption = request.title;
    r.musicLevel = request.musicLevel;
    r.fadeTimeMs = request.fadeTimeMs;
    r.volumeSliderHidden = request.volumeSliderHidden;
    list_.OpenJingleWindow(r);
}

void JingleBank::refreshButtons() {
    const auto exists = [](const QString& f) { return QFileInfo(f).isFile(); };
    const auto length = [this](const QString& f) { return lengths_.durationMs(f); };
    for (int n = 1; n <= 9; ++n) {
        const JingleSlotView v = slots_.view(n, hintText, exists, length);
        buttons_[std::size_t(n - 1)]->setEnabled(v.enabled);
        buttons_[std::size_t(n - 1)]->setToolTip(v.buttonHint);
        entries_[std::size_t(n - 1)]->setEnabled(v.enabled);
        entries_[std::size_t(n - 1)]->setToolTip(v.menuHint);
        entries_[std::size_t(n - 1)]->setStatusTip(v.menuHint);
    }
}

void JingleBank::setMenuCaptions() {
    for (int n = 1; n <= 9; ++n)
        entries_[std::size_t(n - 1)]->setText(slots_.menuCaption(n));
}

void JingleBank::applyProfile() {
    slots_.load(profile_);
    setMenuCaptions();
    refreshButtons();
}

void JingleBank::storeInProfile() {
    slots_.store(profile_);
}

TfrmJinList* JingleBank::showJingleList() {
    if (listWindow_ && listWindow_->isVisible()) {
        listWindow_->raise();
        listWindow_->activateWindow();
        return listWindow_;
    }
    TfrmJinList::Hooks hooks = listDialogs;
    hooks.listen = [this](const QString& file) {
        slots_.setFile(0, file);
        PlayJingl(0);
    };
    hooks.accept = [this](const JingleListPaths& paths) {
        slots_.setPaths(paths);
        slots_.store(profile_);
        setMenuCaptions();
        refreshButtons();
    };
    hooks.musicLevel = [this](int v) { profile_.JVol = v; };
    listWindow_ = new TfrmJinList(window_, slots_.paths(), profile_.JVol, hooks);
    listWindow_->setWindowModality(Qt::WindowModal);
    listWindow_->open();
    return listWindow_;
}

} // namespace wc
