#include "player/ui/tform1.h"

#include "audio/audioengine.h"
#include "common/clock.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/oledate.h"
#include "common/paths.h"
#include "common/playlistfile/shellassoc.h"
#include "common/tags/tracktag.h"
#include "common/trackstore/trackstore.h"
#include "platform/instancelock.h"
#include "platform/messagebus.h"
#include "platform/prompts.h"
#include "player/core/broadcast/broadcast.h"
#include "player/core/broadcast/streamlink.h"
#include "player/core/helpfiles.h"
#include "player/core/playback/trackstorerecords.h"
#include "player/core/playlist/playlistfiles.h"
#include "player/core/profile/profilefiles.h"
#include "player/ui/broadcastdialog.h"
#include "player/ui/crossfadepanel.h"
#include "player/ui/debugwindow.h"
#include "player/ui/editcommands.h"
#include "player/ui/filebrowser.h"
#include "player/ui/helpmenu.h"
#include "player/ui/hotkeybinder.h"
#include "player/ui/jinglebank.h"
#include "player/ui/librarysearchpage.h"
#include "player/ui/notepadwindow.h"
#include "player/ui/playlistmenus.h"
#include "player/ui/playlistmodel.h"
#include "player/ui/playlistpages.h"
#include "player/ui/positionbar.h"
#include "player/ui/preferencescommand.h"
#include "player/ui/prelistenbinder.h"
#include "player/ui/schedulecommands.h"
#include "player/ui/schedulepage.h"
#include "player/ui/seekbuttons.h"
#include "player/ui/storedcolour.h"
#include "player/ui/taginfopage.h"
#include "player/ui/tfrmhk.h"
#include "player/ui/top100dialog.h"
#include "player/ui/transportlock.h"
#include "player/ui/volumebinder.h"
#include "player/ui/windowsize.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDockWidget>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace wc {

TForm1::TForm1(const TPlayerIni& playerIni, const QStringList& args, InstanceLock* lock)
    : profile_(programDir()), lock_(lock) {
    setObjectName(QStringLiteral("TForm1"));
    playlists_.setDurations(&durations_);
    playlists_.setTrackStore(&trackStore());
    shell_ = std::make_unique<PlayerShell>(*this, master_);
    shell_->playerIni = playerIni;
    shell_->commandLine = parsePlayerCommandLine(args);
    editor_ = std::make_unique<PlaylistEditor>(playlists_, shell_->messages, programDir());
    scheduler_ = std::make_unique<Scheduler>(playlists_, *editor_);
    buildWidgets();
    buildMenus();
    buildSchedulePage();
    bindAnnouncement();
    bindKeys();
    buildJinglesAndPreListen();
    logSink_ = addLogSink([this](const QString& line) { appendLog(line); });
    endpoint_ = std::make_unique<Endpoint>(QStringLiteral("TForm1"), QStringLiteral("Wavecrest"),
                                           [this](quint32 msg, qint64 w, qint64 l) {
                                               return msg == MSG_RUN_COMMAND
                                                          ? commands_->serveRequest(w)
                                                          : shell_->handleMessage(msg, w, l);
                                           });
    shell_->mainWindow = endpoint_->handle();
    commands_ = std::make_unique<PlayerCommands>(
        [this] { return onAir_ ? &onAir_->controller() : nullptr; }, *shell_, *this, playlists_,
        *editor_, random_, endpoint_->handle());
    commands_->host.volumeSlider = [this](int pos) { volume_->slider()->setValue(pos); };
    commands_->host.report = [this] { return profile_.Report; };
    commands_->host.eventLog = [this](const QString& line) { LogEvent(line); };
    scheduleCommands_ = std::make_unique<ScheduleCommands>(*scheduler_, *commands_);
    // The lock holder's window is where a second start sends its activation.
    if (lock_) lock_->setOwnerWindow(endpoint_->handle());
    shell_->create();
}

TForm1::~TForm1() {
    // The command binders follow the focus; the lists they read go before the widgets whose
    // destruction moves the focus.
    QObject::disconnect(qApp, nullptr, menus_, nullptr);
    QObject::disconnect(qApp, nullptr, edit_, nullptr);
    // The decks go first, while the shell and the widgets they report to are still there
    // (after a close this has been done already).
    stopAudio();
    scheduler_->setEnabled(false);
    scheduler_->setHooks(nullptr);
    removeLogSink(logSink_);
}

void TForm1::buildWidgets() {
    // Status bar: [0] the volume or the selected file, [1] processor load, [2] memory load,
    // [3..5] priority, silence detector and scheduler.
    for (int i = 0; i < 6; ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        statusBar()->addWidget(panel, i < 3 ? 0 : 1);
        panels_ << panel;
    }
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* top = new QHBoxLayout;
    captionLabel_ = new QLabel(central);
    captionLabel_->setObjectName(QStringLiteral("CaptionLabel"));
    profileLabel_ = new QLabel(central);
    profileLabel_->setObjectName(QStringLiteral("ProfileLabel"));
    watchdogLabel_ = new QLabel(QStringLiteral("WD"), central);
    watchdogLabel_->setObjectName(QStringLiteral("WatchdogLabel"));
    watchdogLabel_->hide();
    timeLabel_ = new QLabel(central);
    timeLabel_->setObjectName(QStringLiteral("timelabel"));
    top->addWidget(captionLabel_);
    top->addWidget(profileLabel_);
    top->addStretch();
    top->addWidget(watchdogLabel_);
    top->addWidget(timeLabel_);
    layout->addLayout(top);

    onAirLabel_ = new QLabel(central);
    onAirLabel_->setObjectName(QStringLiteral("OnAirLabel"));
    layout->addWidget(onAirLabel_);

    auto* times = new QHBoxLayout;
    // edToEnd: remaining or elapsed time; EdToEnd2 the other one while it is shown. Left
    // click switches the first, right click shows or hides the second.
    elapsedLabel_ = new QLabel(QStringLiteral("00:00"), central);
    elapsedLabel_->setObjectName(QStringLiteral("edToEnd"));
    remainLabel_ = new QLabel(QStringLiteral("00:00"), central);
    remainLabel_->setObjectName(QStringLiteral("EdToEnd2"));
    for (QLabel* l : {elapsedLabel_, remainLabel_, timeLabel_})
        l->installEventFilter(this);
    times->addWidget(elapsedLabel_);
    times->addStretch();
    times->addWidget(remainLabel_);
    layout->addLayout(times);
    positionBar_ = new PositionBar(central);
    positionBar_->setObjectName(QStringLiteral("Track1"));
    auto* levels = new QHBoxLayout;
    levels->addWidget(positionBar_, 1);
    silenceLabel_ = new QLabel(central);
    silenceLabel_->setObjectName(QStringLiteral("Label10"));
    levels->addWidget(silenceLabel_);
    autoAmpLabel_ = new QLabel(QStringLiteral("off"), central);
    autoAmpLabel_->setObjectName(QStringLiteral("Label14"));
    levels->addWidget(autoAmpLabel_);
    // The software gain, -31..31 dB; the slider shows the gain with its sign turned, as the
    // profile stores it.
    gainSlider_ = new QSlider(Qt::Horizontal, central);
    gainSlider_->setObjectName(QStringLiteral("Gain"));
    gainSlider_->setRange(-31, 31);
    gainSlider_->setMaximumWidth(160);
    levels->addWidget(gainSlider_);
    gainLabel_ = new QLabel(central);
    gainLabel_->setObjectName(QStringLiteral("lbcmgain"));
    levels->addWidget(gainLabel_);
    muteButton_ = new QToolButton(central);
    muteButton_->setObjectName(QStringLiteral("btMute"));
    muteButton_->setText(QStringLiteral("Mute (M)"));
    muteButton_->setCheckable(true);
    levels->addWidget(muteButton_);
    volume_ = new VolumeBinder(central, panels_[0]);
    levels->addWidget(volume_->slider());
    layout->addLayout(levels);

    // The transport buttons share one widget, over which the transport lock lays its picture.
    auto* transportRow = new QHBoxLayout;
    auto* transportBox = new QWidget(central);
    transportBox->setObjectName(QStringLiteral("TransportButtons"));
    auto* transport = new QHBoxLayout(transportBox);
    transport->setContentsMargins(0, 0, 0, 0);
    seekButtons_ = new SeekButtons(transportBox);
    const std::pair<const char*, QStyle::StandardPixmap> buttons[] = {
        {"btPrev", QStyle::SP_MediaSkipBackward}, {"btPlay", QStyle::SP_MediaPlay},
        {"btPause", QStyle::SP_MediaPause},       {"btStop", QStyle::SP_MediaStop},
        {"btNext", QStyle::SP_MediaSkipForward},
    };
    for (const auto& [name, icon] : buttons) {
        auto* b = new QToolButton(transportBox);
        b->setObjectName(QLatin1String(name));
        b->setIcon(style()->standardIcon(icon));
        if (QLatin1String(name) == QLatin1String("btNext"))
            transport->addWidget(seekButtons_->forward());
        transport->addWidget(b);
        if (QLatin1String(name) == QLatin1String("btPrev"))
            transport->addWidget(seekButtons_->rewind());
        transportButtons_.insert(QLatin1String(name), b);
    }
    for (const char* name : {"btRepeat", "btBreak", "btShuffle", "btRepeatList"}) {
        auto* b = new QToolButton(transportBox);
        b->setObjectName(QLatin1String(name));
        b->setText(QLatin1String(name).mid(2));
        b->setCheckable(true);
        transport->addWidget(b);
        transportButtons_.insert(QLatin1String(name), b);
    }
    transportLock_ =
        new TransportLock(transportBox, transportButtons_.value(QStringLiteral("btBreak")), this);
    transportRow->addWidget(transportBox);
    transportRow->addStretch();
    layout->addLayout(transportRow);

    pcPlaylist_ = new QStackedWidget(central);
    pcPlaylist_->setObjectName(QStringLiteral("pcPlaylist"));
    auto makeView = [&](const QString& name, PlaylistView& list, PlaylistModel::Kind kind,
                        PlaylistModel*& model, PlaylistTableBinder*& binder) {
        auto* view = new QTableView(pcPlaylist_);
        view->setObjectName(name);
        model = new PlaylistModel(list, kind, view);
        view->setModel(model);
        view->horizontalHeader()->setStretchLastSection(true);
        view->verticalHeader()->hide();
        view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        applyColumnWidths(view, ColumnWidths{-1});
        binder = new PlaylistTableBinder(view, model, view);
        connect(binder, &PlaylistTableBinder::myEndDrag, this, [this] {
            editor_->startTimesFromPlaying();
            recomputeNumbering();
        });
        pcPlaylist_->addWidget(view);
        return view;
    };
    lvMaster_ = makeView(QStringLiteral("LVMaster"), playlists_.LVMaster,
                         PlaylistModel::Kind::Master, masterModel_, masterBinder_);
    lvSlave_ = makeView(QStringLiteral("LVSlave"), playlists_.LVSlave, PlaylistModel::Kind::Slave,
                        slaveModel_, slaveBinder_);
    layout->addWidget(pcPlaylist_, 1);

    diagnosticsLabel_ = new QLabel(central);
    diagnosticsLabel_->setObjectName(QStringLiteral("Label29"));
    layout->addWidget(diagnosticsLabel_);

    logList_ = new QListWidget(central);
    logList_->setObjectName(QStringLiteral("LogList"));
    logList_->setMaximumHeight(120);
    layout->addWidget(logList_);
    setCentralWidget(central);

    // The page buttons sit at the end of the transport row; the first panel shows the
    // selected file.
    pages_ = new PlaylistPages(playlists_, pcPlaylist_, lvMaster_, lvSlave_, panels_[0], this);
    transportRow->addWidget(pages_->mainButton());
    transportRow->addWidget(pages_->tempButton());
    connect(pages_, &PlaylistPages::pageChanged, this, [this] {
        menus_->refresh();
        refreshTitle();
        recomputeNumbering();
    });
    connect(pages_, &PlaylistPages::renumberRequested, this, [this] { recomputeNumbering(); });
    // Voice tracks of the on-air list are drawn in italics while voice tracking is on.
    masterModel_->setVoiceTrackItalic(shell_->playerIni.VoiceTrackEnabled);
    auto* crossfadeDock = new QDockWidget(QString::fromUtf8("Кроссфейд"), this);
    crossfadeDock->setObjectName(QStringLiteral("CrossfadeDock"));
    crossfade_ = new CrossfadePanel(
        profile_.Crossfade, inProgramDir(QStringLiteral("Presets/Crossfade")), crossfadeDock);
    crossfadeDock->setWidget(crossfade_);
    addDockWidget(Qt::RightDockWidgetArea, crossfadeDock);
    // Shown on demand (Сервис menu), so that the window keeps the profile's size.
    crossfadeDock->hide();
    resize(900, 640);
}

void TForm1::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("Файл"));
    auto command = [&](const char* name, const QString& caption, QKeySequence keys, auto fn) {
        QAction* a = file->addAction(caption, this, fn);
        a->setObjectName(QLatin1String(name));
        if (!keys.isEmpty()) a->setShortcut(keys);
        return a;
    };
    command("aNew", QStringLiteral("Новый плейлист"), QKeySequence::New, [this] { newPlaylist(); });
    command("aOpen", QStringLiteral("Открыть плейлист..."), QKeySequence::Open, [this] {
        const QString f = askPlaylistFile(false);
        if (f.isEmpty()) return;
        playlists_.openPlaylist(f);
        refreshTitle();
    });
    command("aSave", QStringLiteral("Сохранить плейлист"), QKeySequence::Save,
            [this] { savePlaylist(false); });
    command("aSaveAs", QStringLiteral("Сохранить плейлист как..."), {},
            [this] { savePlaylist(true); });
    command("aInsertPlaylist", QStringLiteral("Вставить плейлист..."), {}, [this] {
        const QString f = askPlaylistFile(false);
        if (f.isEmpty()) return;
        bool found = true;
        playlists_.insertPlaylistReference(f, &found);
        if (!found)
            prompts().notify(PromptKind::Error, QStringLiteral("Error"),
                             QStringLiteral("Плейлист \"%1\" не найден!").arg(f));
    });
    command("aAddTracks", QStringLiteral("Добавить треки из плейлиста..."), {}, [this] {
        const QString f = askPlaylistFile(false);
        if (!f.isEmpty()) playlists_.addTracksFromPlaylist(f);
    });
    file->addSeparator();
    for (int i = 0; i < RecentPlaylists::kMax; ++i) {
        QAction* a = command(QStringLiteral("h%1").arg(i + 1).toLatin1().constData(), QString(), {},
                             [this, i] {
                                 if (i >= playlists_.recent.count()) return;
                                 playlists_.openPlaylist(playlists_.recent.paths()[i]);
                                 refreshTitle();
                             });
        a->setVisible(false);
        recentActions_ << a;
    }
    connect(file, &QMenu::aboutToShow, this, [this] { refreshRecentMenu(); });
    file->addSeparator();
    file->addAction(QString::fromUtf8("Выход"), this, [this] { shell_->exitCommand(); });
    QMenu* edit = menuBar()->addMenu(QString::fromUtf8("Правка"));
    menus_ = new PlaylistMenus(playlists_, lvMaster_, lvSlave_, edit, this);
    connect(menus_, &PlaylistMenus::edited, this, [this] {
        editor_->startTimesFromPlaying();
        recomputeNumbering();
    });
    edit_ = new EditCommands(*editor_, lvMaster_, lvSlave_, edit, menus_->contextMenu(), this);
    edit_->positionMs = [this] { return positionMs(); };
    edit_->setPagesEnabled = [this](bool on) {
        pages_->mainButton()->setEnabled(on);
        pages_->tempButton()->setEnabled(on);
    };
    edit_->encoderProfile = [this] {
        return EncoderProfile{profile_.EncoderCommand, profile_.EncoderOutDir, profile_.EncoderExt,
                              profile_.EncoderPresetName};
    };
    edit_->onMasterRenumbered = [this] {
        if (onAir_) onAir_->controller().ListRenumbered();
    };
    if (auto* box = qobject_cast<QVBoxLayout*>(centralWidget()->layout()))
        box->insertWidget(box->indexOf(pcPlaylist_) + 1, edit_->totalsPanel());
    auto* browserDock = new QDockWidget(QString::fromUtf8("Файлы"), this);
    browserDock->setObjectName(QStringLiteral("FileBrowserDock"));
    auto* browser = new FileBrowser(browserDock);
    browserDock->setWidget(browser);
    addDockWidget(Qt::LeftDockWidgetArea, browserDock);
    browserDock->hide();
    edit_->setFileBrowser(browser);
    QAction* showBrowser = browserDock->toggleViewAction();
    showBrowser->setObjectName(QStringLiteral("ShowFileBrowser"));
    edit->addAction(showBrowser);
    LibrarySearchPage* search =
        LibrarySearchPage::addDock(this, edit, *editor_, [this] { return profile_.DefBase; });
    menus_->setSearchList(search->results(), [search] { search->copySelection(); });
    tagPage_ = TagInfoPage::addDock(this, edit, playlists_, lvMaster_, lvSlave_, &trackStore());
    connect(tagPage_, &TagInfoPage::rowsChanged, this, [this] { repaintList(); });
    connect(pages_, &PlaylistPages::pageChanged, tagPage_, [this] {
        if (tagPage_->isVisible()) tagPage_->showSelected();
    });
    shownRowsTimer_ = timerHost().createTimer(QStringLiteral("ReadShownItems"), [this] {
        if (editor_->settings.readTrackInfoType == 2) editor_->fillNextShownItem();
    });
    shownRowsTimer_->start(20);
    connect(menus_, &PlaylistMenus::nextMarked, this, [this] { repaintList(); });
    QMenu* tools = menuBar()->addMenu(QString::fromUtf8("Сервис"));
    QAction* crossfade =
        findChild<QDockWidget*>(QStringLiteral("CrossfadeDock"))->toggleViewAction();
    crossfade->setObjectName(QStringLiteral("ShowCrossfade"));
    tools->addAction(crossfade);
    tools->setObjectName(QStringLiteral("ToolsMenu"));
    tools->addAction(QString::fromUtf8("База"), this, [this] { shell_->launchLibrary(); });
    tools->addAction(QString::fromUtf8("Генератор"), this, [this] { shell_->launchGenerator(); });
    auto* preferences = new PreferencesCommand(profile_, shell_->playerIni, tools, *edit_, this);
    QAction* hotKeys = tools->addAction(QString::fromUtf8("Горячие клавиши..."), this, [this] {
        auto* w = new TfrmHK(profile_.HotKeys, this);
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->open();
    });
    hotKeys->setObjectName(QStringLiteral("aHotKeys"));
    QAction* broadcasting = tools->addAction(QStringLiteral("Broadcasting..."), this, [this] {
        // Window-modal without a nested event loop: the decks' watchers keep their pace.
        auto* dialog = new BroadcastDialog(shell_->playerIni, shell_->messages, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
    broadcasting->setObjectName(QStringLiteral("BroadcastSettings"));
    QMenu* top100 = menuBar()->addMenu(QStringLiteral("TOP-100"));
    QAction* rating = top100->addAction(QStringLiteral("TOP-100 Rating..."), this, [this] {
        Top100Sources sources;
        sources.durationMs = [this](const QString& path) { return durations_.durationMs(path); };
        TfrmTop100 dialog(inProgramDir(QStringLiteral("Database/Files.Dat")), sources, this);
        connect(&dialog, &TfrmTop100::fileChosen, this,
                [this](const QString& path) { editor_->InsertAfterSelection(path); });
        dialog.exec();
    });
    rating->setObjectName(QStringLiteral("OP1001"));
    QAction* reset = top100->addAction(QStringLiteral("Reset TOP-100 counters"), this,
                                       [] { confirmAndResetTop100Counters(trackStore()); });
    reset->setObjectName(QStringLiteral("ResetTOP1001"));
    countTop100_ = top100->addAction(QStringLiteral("Count TOP-100 rating"));
    countTop100_->setObjectName(QStringLiteral("CountTOP100On"));
    countTop100_->setCheckable(true);
    connect(countTop100_, &QAction::toggled, this, [this](bool on) {
        shell_->playerIni.CountTop100 = on;
        if (onAir_) onAir_->controller().setCountPlays(on);
    });
    QMenu* help = menuBar()->addMenu(QString::fromUtf8("Помощь"));
    auto* helpMenu = new HelpMenu(
        help, [this] { return shell_->systemIni.LangDir; }, this);
    preferences->showHelp = [helpMenu](PreferencesPage) { helpMenu->show(HelpEntry::Contents); };
}

void TForm1::buildSchedulePage() {
    SchedulePage::Options o;
    o.clock24h = [this] { return profile_.Clock24h; };
    o.dateFormat = [this] { return profile_.DateFormat; };
    o.helpFile = [this] {
        return helpTargetFor(HelpEntry::Contents, programDir(), shell_->systemIni.LangDir).file;
    };
    schedule_ = SchedulePage::addDock(this, findChild<QMenu*>(QStringLiteral("ToolsMenu")),
                                      *scheduler_, shell_->messages, o);
    connect(schedule_, &SchedulePage::titleChangeRequested, this, [this] { refreshTitle(); });
    connect(schedule_, &SchedulePage::schedulerSwitched, this,
            [this] { setStatusPanels(shell_->statusPanels()); });
    connect(schedule_, &SchedulePage::centreRequested, this, [this] { centreOnPlaying(); });
    panels_[5]->installEventFilter(this);
}

void TForm1::bindKeys() {
    debug_ = new DebugWindow(this);
    HotKeyBinder::Controls c;
    c.play = transportButtons_.value(QStringLiteral("btPlay"));
    c.stop = transportButtons_.value(QStringLiteral("btStop"));
    c.pause = transportButtons_.value(QStringLiteral("btPause"));
    c.next = transportButtons_.value(QStringLiteral("btNext"));
    c.breakAfter = transportButtons_.value(QStringLiteral("btBreak"));
    c.repeat = transportButtons_.value(QStringLiteral("btRepeat"));
    c.mute = muteButton_;
    c.rewind = seekButtons_->rewind();
    c.forward = seekButtons_->forward();
    c.volume = volume_->slider();
    c.toggleNotepad = [this] { edit_->notepad()->toggle(); };
    c.lockShown = [this] { return transportLock_->lockShown(); };
    c.abort = [this] { editor_->AbortFlag = true; };
    c.toggleDebug = [this] { debug_->toggle(); };
    hotKeys_ = new HotKeyBinder(this, profile_.HotKeys, std::move(c));
    hotKeys_->onJingle = [this](int slot) { PlayJingl(slot); };
}

void TForm1::buildJinglesAndPreListen() {
    JingleBank::Sources j;
    j.onAir = [this] { return onAir_.get(); };
    j.noMixerChannel = shell_->systemIni.NoMixerChannel;
    j.durationMs = [this](const QString& f) { return durations_.durationMs(f); };
    j.logEvent = [this](const QString& line) { LogEvent(line); };
    j.forwardKey = [this](QKeyEvent* e) { return hotKeys_->keyFromOverlay(e); };
    jingles_ = new JingleBank(this, profile_, j);
    PreListenBinder::Sources p;
    p.onAir = [this] { return onAir_.get(); };
    p.secondDevice = shell_->systemIni.SecondDev;
    preListen_ = new PreListenBinder(this, profile_, playlists_, lvMaster_, lvSlave_,
                                     menus_->contextMenu(), p);
}

void TForm1::PlayJingl(int slot) {
    jingles_->PlayJingl(slot);
}

void TForm1::ClockSecond() {
    schedule_->clockSecond();
}

void TForm1::ScheduleBlink() {
    schedule_->blink();
}

void TForm1::showPage(PlayerPlaylists::Page page) {
    pages_->showPage(page);
    menus_->refresh();
}

namespace {
// Built-in widths: number, start time, title, intro, outro, length; the file name takes the
// rest (the last column stretches).
constexpr int kBuiltInWidths[] = {40, 90, 320, 50, 50, 60};

std::vector<int> columnWidthsOf(const QTableView* view) {
    std::vector<int> widths;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        widths.push_back(view->columnWidth(c));
    return widths;
}
} // namespace

void TForm1::applyColumnWidths(QTableView* view, const ColumnWidths& stored) {
    const int columns = view->model()->columnCount();
    const std::vector<int> widths = storedColumnWidths(stored, columns);
    for (int c = 0; c < columns; ++c) {
        const int builtIn = c < int(std::size(kBuiltInWidths)) ? kBuiltInWidths[c] : 0;
        const int w = widths[std::size_t(c)] > 0 ? widths[std::size_t(c)] : builtIn;
        if (w > 0) view->setColumnWidth(c, w);
    }
}

void TForm1::applyProfileToLists() {
    applyColumnWidths(lvMaster_, profile_.ColumnsMaster);
    applyColumnWidths(lvSlave_, profile_.ColumnsSlave);
    QStringList ids;
    QList<qint32> colors;
    for (const TFileType& t : profile_.FileTypes) {
        ids << t.Id;
        colors << t.Color;
    }
    for (PlaylistModel* m : {masterModel_, slaveModel_})
        m->setItemTypes(ids, colors);
    QStringList names;
    for (const TFileType& t : profile_.FileTypes)
        names << t.Name;
    crossfade_->setTypeNames(names);
    crossfade_->tableReplaced(profile_.CrossfadeLastPreset);
}

bool TForm1::loadProfile(const QString& path) {
    const bool exists = LoadProfileFiles(path, programDir(), profile_, fx_, playlists_);
    applyProfileToLists();
    applyTimeDisplayOptions();
    editor_->settings.readTrackInfoType = profile_.ReadTrackInfoType;
    editor_->settings.allowSort = profile_.AllowSort;
    editor_->settings.countStartTimeFor = shell_->playerIni.CountStartTimeFor;
    editor_->settings.notes = shell_->playerIni.Comment;
    volume_->applyProfile(profile_.ctrVolume, profile_.Volume);
    applyFormSize(this, profile_);
    if (onAir_) onAir_->applyProfile(profile_);
    schedule_->applyProfile(profile_, path);
    jingles_->applyProfile();
    return exists;
}

void TForm1::loadProfilePlaylist(const QString& profilePath) {
    const int n = playlists_.loadProfilePlaylist(profilePath);
    logLine(QStringLiteral("Profile playlist: %1 items").arg(n));
}

bool TForm1::saveProfile(const QString& path) {
    // The lists' current widths go with the profile.
    profile_.ColumnsMaster = columnWidthsRecord(columnWidthsOf(lvMaster_), true);
    profile_.ColumnsSlave = columnWidthsRecord(columnWidthsOf(lvSlave_), false);
    profile_.CrossfadeLastPreset = crossfade_->presetName();
    profile_.Volume = volume_->position();
    storeFormSize(this, profile_);
    schedule_->storeInProfile(profile_, path);
    jingles_->storeInProfile();
    QString error, recentError;
    const bool saved = SaveProfileFiles(path, profile_, fx_, playlists_, &error, &recentError);
    if (!recentError.isEmpty())
        prompts().notify(PromptKind::Error, RecentPlaylists::saveErrorCaption(), recentError);
    if (saved) return true;
    prompts().notify(PromptKind::Error, QStringLiteral("Error"), error);
    return false;
}

void TForm1::recomputeNumbering() {
    // Numbers, totals and note icons; a renumbered on-air list gets a fresh shuffled order of
    // its new length (through the editor's host).
    editor_->setWindowShown(shell_->windowShown);
    editor_->RenumberAndTotals();
}

void TForm1::UpdateStartTimes(int fromIndex) {
    // The item that starts gets its own time; any other call recomputes after the playing one.
    const int playing = playlists_.LVMaster.PlayingIndex();
    if (fromIndex == playing)
        editor_->UpdateStartTimes(fromIndex, 0);
    else
        editor_->UpdateStartTimes(fromIndex, -1);
}

void TForm1::ClearStartTimes() {
    editor_->UpdateStartTimes(0, 0, true);
}

void TForm1::ItemStarted(int index) {
    editor_->fillStartedItem(index);
    edit_->notepadFollows(index);
    // The play was recorded before the item started.
    if (tagPage_->isVisible()) tagPage_->refreshStoreLines();
}

void TForm1::loadPlaylist(const QString& path) {
    playlists_.openPlaylist(path);
}

void TForm1::setActivePlaylistToMaster() {
    showPage(PlayerPlaylists::Page::Master);
}

qint64 TForm1::loadQueue(qint64 wParam, qint64 lParam) {
    const LoadQueueResult r = handleLoadQueue(
        wParam, lParam, {&playlists_.ActivePlaylist(), &playlists_.LVMaster, &playlists_.LVSlave},
        programDir(), playlists_.itemSources());
    if (r.target) {
        r.target->Renumber();
        if (onAir_ && r.target == &playlists_.LVMaster) onAir_->controller().ListRenumbered();
    }
    return r.inserted;
}

void TForm1::refreshTitle() {
    setTitle(shell_->captionText(), shell_->titleText());
}

void TForm1::refreshRecentMenu() {
    const RecentPlaylists& r = playlists_.recent;
    for (int i = 0; i < recentActions_.size(); ++i) {
        const bool shown = i < r.count();
        recentActions_[i]->setVisible(shown);
        if (shown) recentActions_[i]->setText(r.caption(i));
    }
}

QString TForm1::askPlaylistFile(bool forSaving) {
    QFileDialog dialog(this);
    dialog.setNameFilter(QStringLiteral("M3U Playlist (*.m3u)"));
    dialog.setDefaultSuffix(QStringLiteral("m3u"));
    dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

bool TForm1::savePlaylist(bool askName) {
    QString name = playlists_.playlistFileName(playlists_.ActivePlaylist());
    if (askName || name == QLatin1String(PlayerPlaylists::kNoName)) {
        name = askPlaylistFile(true);
        if (name.isEmpty()) return false;
    }
    QString error;
    if (!playlists_.savePlaylist(name, &error)) {
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), error);
        return false;
    }
    refreshTitle();
    return true;
}

void TForm1::newPlaylist() {
    const int answer = prompts().ask(PromptKind::Question, QStringLiteral("Wavecrest"),
                                     shell_->messages.text(PlayerMessageTable::SaveCurrentPlaylist),
                                     {PromptYes, PromptNo, PromptCancel}, PromptCancel);
    if (answer == PromptCancel) return;
    if (answer == PromptYes && !savePlaylist(false)) return;
    playlists_.newPlaylist();
    refreshTitle();
}

namespace {
// The log list shows the recent past (every line also goes to standard error). Without a
// bound a station that runs for weeks would grow the list for ever.
constexpr int kMaxLogLines = 2000;
} // namespace

void TForm1::appendLog(const QString& line) {
    logList_->addItem(line);
    while (logList_->count() > kMaxLogLines)
        delete logList_->takeItem(0);
    logList_->setCurrentRow(logList_->count() - 1);
    logList_->scrollToBottom();
}

void TForm1::createDecks() {
    onAir_ = std::make_unique<OnAirChain>(playlists_.LVMaster, profile_, shell_->playerIni,
                                          shell_->systemIni, random_, &trackStore());
    onAir_->bind(this, this);
    onAir_->mainTimer().setHooks(this);
    scheduler_->setController(&onAir_->controller());
    scheduler_->setOverlayPlayer(jingles_);
    // A music item started while jingles play starts at their level.
    onAir_->controller().setMusicLevelSource([this] { return jingles_->list().MusicLevel(); });
    bindTransport();
    broadcastLink_ = std::make_unique<StreamLink>();
    broadcast_ = std::make_unique<Broadcast>(shell_->playerIni, *broadcastLink_,
                                             [this](const QString& line) { LogEvent(line); });
}

void TForm1::bindTransport() {
    PlaybackController& c = onAir_->controller();
    auto onClick = [&](const char* name, auto fn) {
        connect(transportButtons_.value(QLatin1String(name)), &QToolButton::clicked, this, fn);
    };
    onClick("btPlay", [&c] { c.aPlay(); });
    onClick("btPause", [&c] { c.aPause(); });
    onClick("btStop", [&c] { c.aStop(); });
    onClick("btNext", [&c] { c.nextButton(); });
    onClick("btPrev", [&c] { c.prevButton(); });
    onClick("btRepeat", [&c](bool on) { c.setRepeat(on); });
    onClick("btBreak", [&c](bool on) { c.setBreak(on); });
    onClick("btShuffle", [&c](bool on) { c.setShuffle(on); });
    onClick("btRepeatList", [&c](bool on) { c.setRepeatList(on); });
    seekButtons_->bind(&c);
    transportLock_->bind(&c);
    connect(positionBar_, &QSlider::sliderPressed, this, [&c] { c.positionBarPressed(); });
    connect(positionBar_, &QSlider::sliderReleased, this,
            [this, &c] { c.positionBarReleased(positionBar_->value()); });
    connect(lvMaster_, &QTableView::doubleClicked, this, [&c] { c.listDoubleClicked(); });
    MainTimer& t = onAir_->mainTimer();
    connect(gainSlider_, &QSlider::sliderPressed, this, [&t] { t.gainSliderPressed(); });
    connect(gainSlider_, &QSlider::valueChanged, this, [this, &t](int pos) {
        if (!settingGain_) t.gainChanged(pos);
    });
    connect(muteButton_, &QToolButton::clicked, this, [this, &t] {
        t.toggleMute();
        muteButton_->setChecked(t.muted());
    });
}

void TForm1::applyTimeDisplayOptions() {
    remainLabel_->setVisible(profile_.ShowSecondTimeLabel);
    const QColor colour = fromStoredColour(profile_.ClockFontColor);
    for (QLabel* l : {timeLabel_, elapsedLabel_, remainLabel_}) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, colour);
        l->setPalette(pal);
    }
}

QTableView* TForm1::activeView() const {
    return pages_->activeView();
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
    if (watched == panels_[5] && e->type() == QEvent::MouseButtonDblClick) {
        schedule_->setSchedulerOn(!scheduler_->enabled());
        return true;
    }
    if (e->type() != QEvent::MouseButtonPress || !onAir_ ||
        (watched != elapsedLabel_ && watched != remainLabel_ && watched != timeLabel_))
        return QMainWindow::eventFilter(watched, e);
    const Qt::MouseButton button = static_cast<QMouseEvent*>(e)->button();
    MainTimer& t = onAir_->mainTimer();
    if (watched == timeLabel_) {
        if (button == Qt::RightButton) t.toggleClock24h();
        if (button == Qt::LeftButton) {
            const QColor chosen =
                QColorDialog::getColor(fromStoredColour(profile_.ClockFontColor), this);
            if (chosen.isValid()) {
                profile_.ClockFontColor = toStoredColour(chosen);
                applyTimeDisplayOptions();
            }
        }
        return true;
    }
    if (button == Qt::LeftButton) {
        t.toggleTimeShowType();
        activeView()->setFocus();
    } else if (button == Qt::RightButton) {
        t.toggleSecondLabel();
        applyTimeDisplayOptions();
    }
    return true;
}

StoreLoadResult TForm1::loadTrackStore() {
    return loadTrackStoreAtStart(trackStore());
}

void TForm1::databaseChanged(qint64 code) {
    trackStore().reloadChanged(code);
    playlists_.trackStoreChanged(code);
    if (tagPage_->isVisible()) tagPage_->refreshStoreLines();
}

void TForm1::play() {
    if (onAir_) onAir_->controller().aPlay();
}

void TForm1::setResumeMode(bool on) {
    if (onAir_) onAir_->controller().setResumeMode(on);
}

void TForm1::seekCurrentMs(qint64 ms) {
    if (onAir_) onAir_->controller().DeckA().SeekMs(int(std::clamp<qint64>(ms, 0, INT_MAX)));
}

qint64 TForm1::positionMs() const {
    return onAir_ ? onAir_->controller().DeckA().PositionMs() : 0;
}

void TForm1::mainTimerTick() {
    if (onAir_) onAir_->mainTimer().tick();
}

void TForm1::stopAudio() {
    // Closing stops the decks without the Stop command: run.ini keeps the item that was on
    // air, so that the next start resumes after it.
    if (onAir_) onAir_->controller().setResumeMode(false);
    // The encoder leaves the mixer before the mixer goes.
    broadcast_.reset();
    broadcastLink_.reset();
    seekButtons_->bind(nullptr);
    transportLock_->bind(nullptr);
    scheduler_->setController(nullptr);
    scheduler_->setOverlayPlayer(nullptr);
    // The jingle and pre-listen decks go before the main decks and the mixer.
    jingles_->list().closeAll();
    preListen_->closeWindow();
    onAir_.reset();
}

void TForm1::setButtons(const TransportButtons& b) {
    const std::pair<const char*, bool> states[] = {{"btRepeat", b.repeat},
                                                   {"btBreak", b.breakAfter},
                                                   {"btShuffle", b.shuffle},
                                                   {"btRepeatList", b.repeatList}};
    for (const auto& [name, down] : states)
        transportButtons_.value(QLatin1String(name))->setChecked(down);
    transportLock_->show(b);
}

void TForm1::setPositionBar(int pos) {
    if (!positionBar_->isSliderDown()) positionBar_->setValue(pos);
}

void TForm1::setPositionMarkers(int start, int end) {
    positionBar_->setMarkers(start, end);
}

void TForm1::setAutoAmpText(const QString& text) {
    autoAmpLabel_->setText(text);
}

void TForm1::setStatusLoad(const QString& cpu, const QString& memory) {
    panels_[1]->setText(cpu);
    panels_[2]->setText(memory);
}

void TForm1::centreOnPlaying() {
    const PlaylistView& list = playlists_.ActivePlaylist();
    const int row = list.PlayingIndex();
    if (row < 0 || row >= list.count()) return;
    QTableView* view = activeView();
    view->scrollTo(view->model()->index(row, 0), QAbstractItemView::PositionAtCenter);
}

void TForm1::setTimeLabels(const QString& first, const QString& second) {
    elapsedLabel_->setText(first);
    remainLabel_->setText(second);
}

void TForm1::setDiagnostics(const QString& text) {
    diagnosticsLabel_->setText(text);
}

void TForm1::setSilenceText(const QString& text) {
    silenceLabel_->setText(text);
}

void TForm1::setGainSlider(int pos) {
    // The timer's own moves are not a user's change.
    settingGain_ = true;
    gainSlider_->setValue(pos);
    settingGain_ = false;
}

void TForm1::setGainText(const QString& text) {
    gainLabel_->setText(text);
}

void TForm1::setGainEnabled(bool on) {
    gainSlider_->setEnabled(on);
}

void TForm1::setClockText(const QString& text) {
    timeLabel_->setText(text);
}

void TForm1::repaintList() {
    lvMaster_->viewport()->update();
}

void TForm1::bindAnnouncement() {
    diskWriter_ = std::make_unique<DiskWriter>([this](const QString& message, const QString& file) {
        report_->writeFailed(message, file);
    });
    report_ = std::make_unique<ReportLog>(programDir(), clock(), *diskWriter_);
    // Event lines join the diagnostic lines: the log list, standard error, and the answer to a
    // command sent from outside all show them.
    report_->setListSink([](const QString& line) { logLine(line); });
    announcer_ = std::make_unique<Announcer>(
        playlists_.LVMaster, shell_->playerIni, profile_, playlists_.itemSources().durations,
        *report_, *diskWriter_, clock(), programDir(),
        FileVersionText(QCoreApplication::applicationFilePath()));
    announceHooks_.onAirText = [this](const QString& text) {
        onAirLabel_->setText(text);
        if (tray_) tray_->setToolTip(text.isEmpty() ? QStringLiteral("Wavecrest") : text);
    };
    announceHooks_.totals = [this] { editor_->RenumberAndTotals(true, true); };
    announceHooks_.centre = [this] {
        const int row = playlists_.LVMaster.PlayingIndex();
        if (row >= 0 && row < playlists_.LVMaster.count())
            lvMaster_->scrollTo(masterModel_->index(row, 0), QAbstractItemView::PositionAtCenter);
    };
    announceHooks_.repaint = [this] { repaintList(); };
    announceHooks_.broadcastTitle = [this](const QString& title) {
        if (broadcast_) broadcast_->SetBroadcastTitle(title);
    };
    announcer_->setHooks(&announceHooks_);
}

void TForm1::AnnounceItem(const QString& fileName, int index) {
    announcer_->AnnounceItem(fileName, index);
    const PlaylistView& m = playlists_.LVMaster;
    logLine(QStringLiteral("On air: ") +
            (index >= 0 && index < m.count() ? m.at(index).Title() : FileTitle(fileName)));
}

int TForm1::InsertFile(PlaylistView& view, int index, const QString& path) {
    return playlists_.insertFile(view, index, path);
}

void TForm1::RunCommand(const QString& line) {
    if (!commands_->interpreter.RunCommand(line))
        logLine(QStringLiteral("Not a command: ") + line.left(200));
}

void TForm1::LoadEmergencyPlaylist(PlaylistView& master, const QString& file) {
    if (&master == &playlists_.LVMaster)
        playlists_.replaceMaster(file);
    else
        MainTimerHooks::LoadEmergencyPlaylist(master, file);
}

void TForm1::ShowOnAirText(const QString& text) {
    announcer_->ShowOnAirText(text);
}

void TForm1::createStep(CreateStep step) {
    if (step == CreateStep::Decks) createDecks();
    if (step != CreateStep::TrayIcon) return;
    trayMenu_ = new QMenu(this);
    trayMenu_->addAction(QString::fromUtf8("Плеер"), this, [this] { restoreAndRaise(); });
    trayMenu_->addAction(QString::fromUtf8("База"), this, [this] { shell_->launchLibrary(); });
    trayMenu_->addAction(QString::fromUtf8("Выход"), this, [this] { shell_->exitCommand(); });
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    tray_ = new QSystemTrayIcon(style()->standardIcon(QStyle::SP_MediaVolume), this);
    tray_->setToolTip(QStringLiteral("Wavecrest"));
    tray_->setContextMenu(trayMenu_);
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger) restoreAndRaise();
    });
    tray_->show();
}

void TForm1::shownStep(ShownStep step) {
    switch (step) {
    case ShownStep::Mixer:
        // The mixer exists since the decks were made; it plays on the profile's speakers.
        if (onAir_) onAir_->setMainOutput(quint32(profile_.MainOutput));
        break;
    case ShownStep::Broadcast:
        if (shell_->playerIni.bEnableBroadcast && broadcast_) broadcast_->StartBroadcast();
        break;
    case ShownStep::AudioAddOns:
        audio::LoadLibraryPlugins(programDir());
        logLine(QStringLiteral("Audio add-ons: ") +
                audio::LibraryPlugins().join(QStringLiteral(", ")));
        break;
    case ShownStep::PresetLists:
        crossfade_->refreshPresets();
        break;
    case ShownStep::CountTop100Menu:
        countTop100_->setChecked(shell_->playerIni.CountTop100);
        // Also when the entry keeps its state and so sends no change: the controller counts
        // plays until told otherwise.
        if (onAir_) onAir_->controller().setCountPlays(shell_->playerIni.CountTop100);
        break;
    case ShownStep::ShellAssociation:
        if (shell_->playerIni.ShellExt)
            RegisterShellTypes(shell_->playerIni.ShellExtFiles,
                               QCoreApplication::applicationFilePath());
        break;
    case ShownStep::TodaysReport:
        // Earlier today's lines go before the lines this run has shown already.
        logList_->insertItems(0, shell_->todaysReport);
        while (logList_->count() > kMaxLogLines)
            delete logList_->takeItem(0);
        break;
    default:
        break;
    }
}

void TForm1::setTitle(const QString& caption, const QString& title) {
    captionLabel_->setText(caption);
    profileLabel_->setText(baseNameOf(shell_->currentProfile));
    setWindowTitle(title);
    endpoint_->setCaption(title);
}

void TForm1::setStatusPanels(const QStringList& panels) {
    for (int i = 0; i < panels.size() && i + 3 < panels_.size(); ++i)
        panels_[i + 3]->setText(panels[i]);
}

void TForm1::showWatchdogIndicator() {
    watchdogLabel_->show();
}

void TForm1::restoreAndRaise() {
    logLine(QStringLiteral("Main window restored and raised"));
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TForm1::showTrayMenu() {
    activateWindow();
    trayMenu_->popup(QCursor::pos());
}

void TForm1::minimise() {
    showMinimized();
}

void TForm1::requestClose() {
    close();
}

void TForm1::clockTick() {
    if (onAir_) onAir_->mainTimer().clockTick();
}

void TForm1::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (shownOnce_) return;
    shownOnce_ = true;
    shell_->firstShown();
}

void TForm1::closeEvent(QCloseEvent* e) {
    if (!shell_->closeRequested()) {
        e->ignore();
        return;
    }
    e->accept();
    editor_->AbortFlag = true;
    debug_->close();
    if (tray_) tray_->hide();
    // The day's report is complete on disk before anything that follows the close (a power
    // off asked for by a command) can happen.
    diskWriter_->flush();
    QApplication::quit();
}

} // namespace wc
