#include "player/core/playershell.h"

#include "player/core/announce/reportlog.h"

#include "common/log.h"
#include "common/messages.h"
#include "common/oledate.h"
#include "common/paths.h"
#include "common/text.h"
#include "common/version.h"
#include "platform/launcher.h"
#include "platform/messagebus.h"
#include "platform/prompts.h"
#include "player/core/autoexec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <limits>

namespace wc {
namespace {

constexpr int kGeneratorPollMs = 100;
constexpr int kGeneratorPolls = 100; // ten seconds for the generator's window to appear
constexpr qint64 kWatchdogRegister = -2;
constexpr qint64 kResumeAfterMs = 10000;
constexpr int kCentreDelayMs = 100;

QString readTextFile(const QString& path, bool* ok = nullptr) {
    QFile f(path);
    const bool opened = f.open(QIODevice::ReadOnly);
    if (ok) *ok = opened;
    return opened ? decodeText(f.readAll()) : QString();
}

} // namespace

QString equalizerBandLabel(int hz) {
    return hz >= 1000 ? QString::number(hz / 1000) + u'K' : QString::number(hz);
}

QStringList fileNamesWithExtension(const QString& folder, const QString& extension) {
    QStringList names;
    const QFileInfoList files = QDir(folder).entryInfoList(
        {QStringLiteral("*.") + extension}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& fi : files)
        names << fi.completeBaseName();
    return names;
}

PlayerShell::PlayerShell(ShellServices& services, ShellPlaylist& master)
    : currentProfile(inProgramDir(QStringLiteral("Profile/Default.prf"))), services_(services),
      master_(master) {
    databaseMessage_ = registerMessage(QString::fromLatin1(kDatabaseMessageName));
}

PlayerShell::~PlayerShell() = default;

void PlayerShell::create() {
    services_.createStep(CreateStep::ScheduleList);
    startTickMs_ = clock().tickMs();
    services_.createStep(CreateStep::DoubleBuffering);
    services_.createStep(CreateStep::SeedRandom);
    ReadSystemIni(systemIni);
    services_.createStep(CreateStep::AudioCurve);
    // An unreadable file has already been shown by the store's own "I/O Error" box; one box
    // per failure is enough.
    if (services_.loadTrackStore() == StoreLoadResult::Failed)
        prompts().notify(PromptKind::Error, QStringLiteral("Error"),
                         QStringLiteral("Error: Error accessing database (file.dat)!"));
    services_.createStep(CreateStep::TrackStore);
    QString error;
    if (!setProcessPriorityClass(systemIni.Priority, &error)) logLine(error);
    services_.createStep(CreateStep::Priority);
    services_.createStep(CreateStep::TempoControls);
    services_.createStep(CreateStep::Decks);
    services_.createStep(CreateStep::DspPlugins);
    services_.createStep(CreateStep::LineInput);
    services_.createStep(CreateStep::TrayIcon);
    services_.createStep(CreateStep::ProgressWindow);
    runIni = RunIni(runIniPath());
    services_.createStep(CreateStep::DeckVolumes);
    // Today's report as it was before this run: read now, before the autoexec file or the
    // command line can put an item on air and add lines of this run to it, so that the log
    // list shows each line once.
    bool reportOk = false;
    const QString report = readTextFile(todaysReportPath(), &reportOk);
    todaysReport =
        reportOk ? report.split(QRegularExpression(QStringLiteral("\r?\n")), Qt::SkipEmptyParts)
                 : QStringList();
}

void PlayerShell::firstShown() {
    services_.setTitle(captionText(), titleText());
    services_.shownStep(ShownStep::Title);
    services_.shownStep(ShownStep::VolumeSlider);
    services_.setActivePlaylistToMaster();
    services_.shownStep(ShownStep::ActivePlaylist);
    services_.shownStep(ShownStep::LibraryDefault);
    services_.shownStep(ShownStep::Spectrum);
    services_.shownStep(ShownStep::EqualizerLabels);
    equalizerPresets = fileNamesWithExtension(inProgramDir(QStringLiteral("Presets/Equalizer")),
                                              QStringLiteral("eqp"));
    crossfadePresets = fileNamesWithExtension(inProgramDir(QStringLiteral("Presets/Crossfade")),
                                              QStringLiteral("crp"));
    services_.shownStep(ShownStep::PresetLists);
    profileNames =
        fileNamesWithExtension(inProgramDir(QStringLiteral("Profile")), QStringLiteral("prf"));
    services_.shownStep(ShownStep::ProfileMenu);

    QString profile = runIni.lastProfileName();
    if (!QFileInfo::exists(profile)) profile = inProgramDir(QStringLiteral("Profile/Default.prf"));
    currentProfile = profile;
    services_.loadProfile(profile);
    // The station's list from the last run comes back, so that the resume paths find it;
    // a playlist named on the command line takes its place.
    if (!loadsPlaylistFromCommandLine()) services_.loadProfilePlaylist(currentProfile);
    services_.shownStep(ShownStep::LoadProfile);

    services_.shownStep(ShownStep::Mixer);
    services_.shownStep(ShownStep::Broadcast);
    services_.shownStep(ShownStep::DspPlugin);
    services_.shownStep(ShownStep::TaskbarButton);
    services_.shownStep(ShownStep::SecondDevice);
    services_.shownStep(ShownStep::CountTop100Menu);
    services_.shownStep(ShownStep::Language);
    windowShown = true;
    services_.recomputeNumbering();
    services_.shownStep(ShownStep::WindowShown);
    services_.shownStep(ShownStep::VisThread);
    runAutoexec();
    services_.shownStep(ShownStep::Autoexec);
    actOnCommandLine();
    services_.shownStep(ShownStep::CommandLine);
    actOnWatchdogMarkers();
    services_.shownStep(ShownStep::WatchdogMarkers);
    services_.shownStep(ShownStep::ShellAssociation);
    services_.shownStep(ShownStep::AudioAddOns);
    // Timer2 centres the active playlist on its playing item once, after the window has been
    // drawn.
    centreTimer_ = timerHost().createTimer(QStringLiteral("Timer2"), [this] {
        centreTimer_->stop();
        services_.centreOnPlaying();
    });
    centreTimer_->startOnce(kCentreDelayMs);
    services_.shownStep(ShownStep::CentreTimer);
    languageFolders =
        QDir(inProgramDir(QStringLiteral("Lang")))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    services_.shownStep(ShownStep::LanguageMenu);
    services_.shownStep(ShownStep::WindowFrame);
    services_.shownStep(ShownStep::GenreChoice);
    services_.setTitle(captionText(), titleText());
    services_.setStatusPanels(statusPanels());
    services_.shownStep(ShownStep::TitleAndPanels);
    services_.shownStep(ShownStep::TodaysReport);
    services_.shownStep(ShownStep::ScheduleFolder);
    services_.shownStep(ShownStep::ButtonPictures);

    mainTimer_ = timerHost().createTimer(QStringLiteral("maintimer"), [this] { mainTimerTick(); });
    mainTimer_->start(50);
    clockTimer_ = timerHost().createTimer(QStringLiteral("TimeLabelsUpdate"),
                                          [this] { services_.clockTick(); });
    clockTimer_->start(1000);
    services_.clockTick();
    services_.shownStep(ShownStep::Timers);
}

void PlayerShell::selectAndPlay(int index) {
    master_.selectOnly(index);
    services_.play();
}

void PlayerShell::enterResumeMode() {
    resumeMode = true;
    services_.setResumeMode(true);
}

void PlayerShell::writeLastFile(const QString& fileName) {
    QString error;
    if (!runIni.setLastFileName(fileName, &error)) logLine(error);
}

void PlayerShell::runAutoexec() {
    bool ok = false;
    const QString text = readTextFile(inProgramDir(QStringLiteral("autoexec.ini")), &ok);
    if (!ok) return;
    for (AutoexecKeyword k : parseAutoexec(text)) {
        if (k == AutoexecKeyword::StartPlaylist) {
            if (master_.count() > 0) master_.selectOnly(0);
            services_.play();
            continue;
        }
        enterResumeMode();
        QStringList files;
        for (int i = 0; i < master_.count(); ++i)
            files << master_.fileName(i);
        const auto sel = resumeSelection(files, runIni.lastFileName());
        if (!sel) continue;
        if (*sel >= 0) master_.selectOnly(*sel);
        services_.play();
    }
}

bool PlayerShell::loadsPlaylistFromCommandLine() const {
    return commandLine.verb == QLatin1String("list") && !commandLine.operand.isEmpty();
}

void PlayerShell::actOnCommandLine() {
    const PlayerCommandLine& cl = commandLine;
    if (cl.verb == QLatin1String("file") && !cl.operand.isEmpty()) {
        master_.appendFile(cl.operand);
        services_.recomputeNumbering();
        selectAndPlay(master_.count() - 1);
    } else if (cl.verb == QLatin1String("profile") && !cl.operand.isEmpty()) {
        // A missing profile file applies the defaults and keeps the current name.
        const QString path = profilePathForVerb(cl.operand);
        if (services_.loadProfile(path)) currentProfile = path;
    } else if (loadsPlaylistFromCommandLine()) {
        services_.loadPlaylist(cl.operand);
    }
}

void PlayerShell::actOnWatchdogMarkers() {
    if (commandLine.watchdogWindow) {
        watchdogMode = true;
        enterResumeMode();
        services_.showWatchdogIndicator();
        const qint64 h = *commandLine.watchdogWindow;
        if (h > 0 && h <= std::numeric_limits<WindowHandle>::max()) {
            watchdogWindow = WindowHandle(h);
            postMessage(watchdogWindow, MSG_WATCHDOG_HEARTBEAT, mainWindow, kWatchdogRegister);
        }
    }
    if (commandLine.resume) {
        enterResumeMode();
        const qint64 index = commandLine.resume->index;
        if (index >= 0 && index < master_.count())
            master_.selectOnly(int(index));
        else if (master_.count() > 0)
            master_.selectOnly(0);
        services_.play();
        services_.seekCurrentMs(commandLine.resume->positionMs + kResumeAfterMs);
    }
}

qint64 PlayerShell::handleMessage(quint32 msg, qint64 wParam, qint64 lParam) {
    switch (msg) {
    case MSG_PING:
        return kPlayerPingAnswer;
    case MSG_ACTIVATE:
        return handleMessage(MSG_TRAY, 0, TRAY_LEFT_BUTTON_DOWN);
    case MSG_TRAY:
        if (lParam == TRAY_LEFT_BUTTON_DOWN) services_.restoreAndRaise();
        if (lParam == TRAY_RIGHT_BUTTON_DOWN) services_.showTrayMenu();
        return 0;
    case MSG_WATCHDOG_PING:
        return 1;
    case MSG_ENGINE_ENDED:
        return handleMessage(MSG_ENGINE_EVENT, wParam, 1);
    case MSG_ENGINE_EVENT:
        services_.engineEvent(wParam, lParam);
        return 1;
    case MSG_LOAD_QUEUE:
        return services_.loadQueue(wParam, lParam);
    default:
        break;
    }
    if (msg == databaseMessage_) {
        services_.databaseChanged(wParam);
        return 0;
    }
    return 0;
}

void PlayerShell::mainTimerTick() {
    ++mainTicks_;
    if (watchdogMode && watchdogWindow != 0 && mainTicks_ % 100 == 0)
        postMessage(watchdogWindow, MSG_WATCHDOG_HEARTBEAT, master_.playingIndex(),
                    services_.positionMs());
    services_.mainTimerTick();
}

void PlayerShell::stopTimers() {
    if (mainTimer_) mainTimer_->stop();
    if (clockTimer_) clockTimer_->stop();
    if (centreTimer_) centreTimer_->stop();
    if (generatorWait_) generatorWait_->stop();
}

bool PlayerShell::closeRequested() {
    if (services_.closeOption() == 0 && !exitRequested) {
        services_.minimise();
        return false;
    }
    stopTimers();
    // A failed settings write is reported, and the remaining steps still run: the profile,
    // run.ini and the decks must not be skipped because a disk refused one file.
    QString error;
    if (!WritePlayerIni(playerIni, playerIniPath(), &error))
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), error);
    if (!WriteSystemIni(systemIni, systemIniPath(), &error))
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), error);
    services_.abortScans();
    services_.setActivePlaylistToMaster();
    if (services_.autoSaveProfile() && !services_.saveProfile(currentProfile))
        logLine(QStringLiteral("Profile not saved: ") + currentProfile);
    if (!runIni.setLastProfileName(currentProfile, &error)) logLine(error);
    services_.stopAudio();
    return true;
}

void PlayerShell::exitCommand() {
    exitRequested = true;
    services_.requestClose();
}

QString PlayerShell::libraryFile() const {
    return toLocalSeparators(services_.libraryFile());
}

void PlayerShell::launchLibrary() {
    // The classic parameter string quotes the library path to keep it one argument; with an
    // argument list it is one argument by construction.
    QString error;
    if (!launchDetached(inProgramDir(QStringLiteral("base")),
                        {QStringLiteral("fromplayer"), QString::number(mainWindow), libraryFile()},
                        programDir(), &error))
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), error);
}

void PlayerShell::launchGenerator() {
    if (generatorWindow != 0 &&
        sendMessage(generatorWindow, MSG_PING, 0, 0, 2000).value_or(0) == kGeneratorPingAnswer)
        return;
    generatorWindow = 0;
    QString error;
    if (!launchDetached(inProgramDir(QStringLiteral("Lumbra")), {libraryFile()}, programDir(),
                        &error)) {
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), error);
        return;
    }
    // Wait for the generator's window on a timer, never in a loop: playout goes on meanwhile.
    generatorPolls_ = 0;
    generatorWait_ = timerHost().createTimer(QStringLiteral("GeneratorWait"), [this] {
        const WindowHandle h = findWindow(QStringLiteral("TLumbraWnd"), QString());
        if (h != 0) {
            generatorWait_->stop();
            generatorWindow = h;
            sendMessage(generatorWindow, MSG_GENERATOR_ATTACH, mainWindow, kGeneratorAttachKey);
        } else if (++generatorPolls_ >= kGeneratorPolls) {
            generatorWait_->stop();
            prompts().notify(PromptKind::Error, QStringLiteral("XXX"),
                             messages.text(PlayerMessageTable::GeneratorNotRunning));
        }
    });
    generatorWait_->start(kGeneratorPollMs);
}

QString PlayerShell::captionText() const {
    return QStringLiteral("Wavecrest (") + QStringLiteral(WC_VERSION_TEXT) + u')';
}

QString PlayerShell::titleText() const {
    QString t = QStringLiteral("Wavecrest - ") + baseNameOf(currentProfile) +
                QStringLiteral(" - ") +
                QFileInfo(toLocalSeparators(master_.activePlaylistFileName())).fileName() + u' ';
    const QString schedule = services_.scheduleName();
    if (!schedule.isEmpty()) t += QStringLiteral("[/") + schedule + u']';
    return t;
}

QStringList PlayerShell::statusPanels() const {
    auto onOff = [this](bool on) {
        return messages.text(on ? PlayerMessageTable::On : PlayerMessageTable::Off);
    };
    const QString fmt = QStringLiteral("%1: %2");
    return {
        fmt.arg(messages.text(PlayerMessageTable::Priority), priorityClassName(systemIni.Priority)),
        fmt.arg(messages.text(PlayerMessageTable::SilenceDetector),
                onOff(services_.silenceDetectorOn())),
        fmt.arg(QString::fromUtf8("Планировщик"), onOff(services_.schedulerOn()))};
}

QString PlayerShell::todaysReportPath() const {
    return ReportFileName();
}

} // namespace wc
