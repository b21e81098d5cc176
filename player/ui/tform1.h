#pragma once
// The player's main window. It binds widgets to the shell and to the subsystems; the logic
// lives in player/core.
#include "common/random.h"
#include "platform/sysload.h"
#include "player/core/announce/announcer.h"
#include "player/core/announce/diskwriter.h"
#include "player/core/announce/reportlog.h"
#include "player/core/commands/playercommands.h"
#include "player/core/edit/playlisteditor.h"
#include "player/core/mastershellplaylist.h"
#include "player/core/playback/onairchain.h"
#include "player/core/playershell.h"
#include "player/core/playlist/audiodurations.h"
#include "player/core/playlist/playerplaylists.h"
#include "player/core/profile/profile.h"
#include "player/core/schedule/scheduler.h"
#include "player/core/shellservices.h"

#include <QMainWindow>
#include <QMap>
#include <memory>

class QEvent;
class QLabel;
class QListWidget;
class QStackedWidget;
class QSystemTrayIcon;
class QSlider;
class QTableView;
class QToolButton;
class QAction;
class QMenu;

namespace wc {

class Broadcast;
class CrossfadePanel;
class DebugWindow;
class StreamLink;
class EditCommands;
class JingleBank;
class PreListenBinder;
class Endpoint;
class HotKeyBinder;
class InstanceLock;
class PlaylistMenus;
class PlaylistModel;
class PlaylistPages;
class PlaylistTableBinder;
class PositionBar;
class ScheduleCommands;
class SchedulePage;
class TagInfoPage;
class SeekButtons;
class TransportLock;
class VolumeBinder;

class TForm1 final : public QMainWindow,
                     public ShellServices,
                     public PlaybackView,
                     public PlaybackHooks,
                     public MainTimerHooks {
    Q_OBJECT
public:
    TForm1(const TPlayerIni& playerIni, const QStringList& args, InstanceLock* lock);
    ~TForm1() override;

    PlayerShell& shell() { return *shell_; }

    // ShellServices
    void createStep(CreateStep step) override;
    void setTitle(const QString& caption, const QString& title) override;
    void setStatusPanels(const QStringList& panels) override;
    void showWatchdogIndicator() override;
    void restoreAndRaise() override;
    void showTrayMenu() override;
    void minimise() override;
    void requestClose() override;
    void clockTick() override;
    void shownStep(ShownStep step) override;
    bool loadProfile(const QString& path) override;
    void loadProfilePlaylist(const QString& profilePath) override;
    bool saveProfile(const QString& path) override;
    int closeOption() const override { return profile_.Close; }
    bool autoSaveProfile() const override { return profile_.AutoSavePrf; }
    QString libraryFile() const override { return profile_.DefBase; }
    void recomputeNumbering() override;
    void loadPlaylist(const QString& path) override;
    void setActivePlaylistToMaster() override;
    qint64 loadQueue(qint64 wParam, qint64 lParam) override;

    // Playback
    StoreLoadResult loadTrackStore() override;
    void databaseChanged(qint64 code) override;
    void play() override;
    void setResumeMode(bool on) override;
    void seekCurrentMs(qint64 ms) override;
    qint64 positionMs() const override;
    void mainTimerTick() override;
    void stopAudio() override;
    bool silenceDetectorOn() const override { return profile_.QuietOn; }
    bool schedulerOn() const override { return scheduler_->enabled(); }
    QString scheduleName() const override { return scheduler_->ScheduleName(); }

    // PlaybackView
    void setButtons(const TransportButtons& b) override;
    void setPositionBar(int pos) override;
    void setPositionMarkers(int start, int end) override;
    void setAutoAmpText(const QString& text) override;
    void setStatusLoad(const QString& cpu, const QString& memory) override;
    // Timer2 (through the shell), also PlaybackView's.
    void centreOnPlaying() override;
    void setTimeLabels(const QString& first, const QString& second) override;
    void setDiagnostics(const QString& text) override;
    void setClockText(const QString& text) override;
    void setSilenceText(const QString& text) override;
    void setGainSlider(int pos) override;
    void setGainText(const QString& text) override;
    void setGainEnabled(bool on) override;
    void repaintList() override;

    // PlaybackHooks
    void AnnounceItem(const QString& fileName, int index) override;
    void ShowOnAirText(const QString& text) override;
    // A line of the day's report and of the log list; safe from any thread.
    void LogEvent(const QString& text) override { report_->LogEvent(text); }
    void WriteLastFile(const QString& fileName) override { shell_->writeLastFile(fileName); }
    int InsertFile(PlaylistView& view, int index, const QString& path) override;
    void RunCommand(const QString& line) override;
    void UpdateStartTimes(int fromIndex) override;
    void ClearStartTimes() override;
    void ItemStarted(int index) override;
    void RemoveScheduledItems() override { scheduler_->RemoveScheduledItems(); }

    // MainTimerHooks
    double CpuLoad() override { return cpuMeter_.sample(); }
    double MemoryLoad() override { return systemMemoryLoadPercent(); }
    void LoadEmergencyPlaylist(PlaylistView& master, const QString& file) override;
    void ClockSecond() override;
    void ScheduleBlink() override;

    PlayerPlaylists& playlists() { return playlists_; }
    PlaylistEditor& editor() { return *editor_; }
    EditCommands& editCommands() { return *edit_; }
    // The command interpreter (command files, `player --command`, the scheduler's targets).
    PlayerCommands& commands() { return *commands_; }
    // The playout chain once the decks exist (tests read the decks through it).
    OnAirChain* onAir() { return onAir_.get(); }
    // Broadcasting (its SetBroadcastTitle is what the announcement calls); null without decks.
    Broadcast* broadcast() { return broadcast_.get(); }
    Scheduler& scheduler() { return *scheduler_; }
    Announcer& announcer() { return *announcer_; }
    ReportLog& report() { return *report_; }
    // Waits until the report lines and the now-playing file queued so far are on disk.
    void flushAnnouncementFiles() { diskWriter_->flush(); }
    // Fires jingle slot 0..9 over the programme (buttons, menu entries, digit keys).
    void PlayJingl(int slot);
    JingleBank& jingles() { return *jingles_; }
    PreListenBinder& preListen() { return *preListen_; }
    SchedulePage* schedulePage() { return schedule_; }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    // Clicks on the time labels and the clock.
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildWidgets();
    void buildMenus();
    // The schedule page in its dock, bound to the scheduler.
    void buildSchedulePage();
    // The report, the announcer and their writer, bound to the widgets.
    void bindAnnouncement();
    // The keyboard dispatch (hot keys, digits, Esc, Ctrl+D) and the debug window.
    void bindKeys();
    // The jingle bank (buttons, menu, jingle windows) and the ways into pre-listening.
    void buildJinglesAndPreListen();
    void appendLog(const QString& line);
    void showPage(PlayerPlaylists::Page page);
    void applyProfileToLists();
    static void applyColumnWidths(QTableView* view, const ColumnWidths& stored);
    void refreshTitle();
    void refreshRecentMenu();
    // The open or save dialog for M3U playlists; empty when cancelled.
    QString askPlaylistFile(bool forSaving);
    // Save (the list's own name, asked when it has none) and Save As.
    bool savePlaylist(bool askName);
    void newPlaylist();
    void createDecks();
    void bindTransport();
    // The profile's second time label and clock colour on the widgets.
    void applyTimeDisplayOptions();
    QTableView* activeView() const;

    AudioFileDurations durations_;
    PlayerPlaylists playlists_;
    MasterShellPlaylist master_{playlists_};
    TProfile profile_;
    TFXParams fx_;
    SeededRandom random_;
    std::unique_ptr<OnAirChain> onAir_;
    // Broadcasting of the master mixer; the link is made with the decks and goes before them.
    std::unique_ptr<StreamLink> broadcastLink_;
    std::unique_ptr<Broadcast> broadcast_;
    std::unique_ptr<PlayerShell> shell_;
    std::unique_ptr<PlaylistEditor> editor_;
    std::unique_ptr<Scheduler> scheduler_;
    // Fills the shown rows' titles and lengths one per pass (ReadTrackInfoType 2).
    std::unique_ptr<Timer> shownRowsTimer_;
    EditCommands* edit_ = nullptr;
    std::unique_ptr<Endpoint> endpoint_;
    std::unique_ptr<PlayerCommands> commands_;
    // Binds the scheduler and the interpreter to each other; goes before either.
    std::unique_ptr<ScheduleCommands> scheduleCommands_;
    InstanceLock* lock_;
    // The announcement: the report, the on-air text and the now-playing file. The disk writer
    // goes first at destruction, finishing the queued lines while the report still exists.
    std::unique_ptr<ReportLog> report_;
    std::unique_ptr<Announcer> announcer_;
    BoundAnnounceHooks announceHooks_;
    std::unique_ptr<DiskWriter> diskWriter_;
    bool shownOnce_ = false;
    int logSink_ = 0;
    ProcessCpuMeter cpuMeter_;

    QStackedWidget* pcPlaylist_ = nullptr;
    QTableView* lvMaster_ = nullptr;
    QTableView* lvSlave_ = nullptr;
    PlaylistModel* masterModel_ = nullptr;
    PlaylistModel* slaveModel_ = nullptr;
    PlaylistTableBinder* masterBinder_ = nullptr;
    PlaylistTableBinder* slaveBinder_ = nullptr;
    PlaylistMenus* menus_ = nullptr;
    PlaylistPages* pages_ = nullptr;
    SeekButtons* seekButtons_ = nullptr;
    TransportLock* transportLock_ = nullptr;
    CrossfadePanel* crossfade_ = nullptr;
    SchedulePage* schedule_ = nullptr;
    TagInfoPage* tagPage_ = nullptr;
    JingleBank* jingles_ = nullptr;
    PreListenBinder* preListen_ = nullptr;
    VolumeBinder* volume_ = nullptr;
    HotKeyBinder* hotKeys_ = nullptr;
    DebugWindow* debug_ = nullptr;
    QLabel* captionLabel_ = nullptr;
    QLabel* profileLabel_ = nullptr;
    QLabel* onAirLabel_ = nullptr;
    QLabel* timeLabel_ = nullptr;
    QLabel* elapsedLabel_ = nullptr;
    QLabel* remainLabel_ = nullptr;
    QLabel* watchdogLabel_ = nullptr;
    QLabel* diagnosticsLabel_ = nullptr;
    PositionBar* positionBar_ = nullptr;
    QLabel* autoAmpLabel_ = nullptr;
    QToolButton* muteButton_ = nullptr;
    QLabel* silenceLabel_ = nullptr;
    QSlider* gainSlider_ = nullptr;
    QLabel* gainLabel_ = nullptr;
    bool settingGain_ = false;
    QMap<QString, QToolButton*> transportButtons_;
    QListWidget* logList_ = nullptr;
    QList<QLabel*> panels_;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QAction* countTop100_ = nullptr;
    QList<QAction*> recentActions_;
};

} // namespace wc
