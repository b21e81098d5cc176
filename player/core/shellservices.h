#pragma once
// What the player's shell asks of the rest of the program. The shell owns the order of
// start-up and close-down; each subsystem does its own part when its step comes. The default
// implementations do nothing, so the shell runs before every subsystem exists, and tests
// record the calls to check the order.
#include <QString>
#include <QStringList>

namespace wc {

// Main-window creation, in order.
enum class CreateStep {
    ScheduleList = 1, // create the schedule event list; accept dropped files
    DoubleBuffering,  // (Qt draws double-buffered already)
    SeedRandom,       // done by the shell
    AudioCurve,       // system.ini read; volume curve and decibel table
    TrackStore,       // loadTrackStore()
    Priority,         // done by the shell
    TempoControls,    // enable the tempo, rate and pitch sliders from Options/FXTempo
    Decks,            // the three decks on Device/MainDev
    DspPlugins,       // plug-in host when allowed, else plug-in buttons off
    LineInput,        // the line-input object
    TrayIcon,         // the notification-area icon
    ProgressWindow,   // unfreeze drawing; the progress window
    DeckVolumes,      // RunIni set; both decks at full volume
};

// The main window's first showing, in order.
enum class ShownStep {
    Title = 1,
    VolumeSlider,
    ActivePlaylist,
    LibraryDefault,
    Spectrum,
    EqualizerLabels,
    PresetLists,
    ProfileMenu,
    LoadProfile,
    Mixer,
    Broadcast,
    DspPlugin,
    TaskbarButton,
    SecondDevice,
    CountTop100Menu,
    Language,
    WindowShown,
    VisThread,
    Autoexec,
    CommandLine,
    WatchdogMarkers,
    ShellAssociation,
    AudioAddOns,
    CentreTimer, // Timer2 armed (one shot, 100 ms)
    LanguageMenu,
    WindowFrame,
    GenreChoice,
    TitleAndPanels,
    TodaysReport,
    ScheduleFolder,
    ButtonPictures,
    Timers,
};

// The on-air playlist as the shell needs it.
class ShellPlaylist {
public:
    virtual ~ShellPlaylist() = default;
    virtual int count() const = 0;
    virtual QString fileName(int index) const = 0;
    // Makes item index the only selected item (-1: no selection).
    virtual void selectOnly(int index) = 0;
    virtual void appendFile(const QString& path) = 0;
    virtual int playingIndex() const = 0;
    // The file the active playlist (ActivePlaylist, either page) was last opened from; the
    // title shows it.
    virtual QString activePlaylistFileName() const = 0;
};

// How loading the per-track store at start-up went.
enum class StoreLoadResult {
    Loaded,         // read, or there is no file yet
    FailedAndShown, // an I/O failure that the store has already shown in its own error box
    Failed,         // any other failure: the shell shows its database error box
};

class ShellServices {
public:
    virtual ~ShellServices() = default;

    virtual void createStep(CreateStep) {}
    virtual void shownStep(ShownStep) {}

    // Per-track store. After a failure start-up goes on; the store refuses writes until a
    // later load succeeds.
    virtual StoreLoadResult loadTrackStore() { return StoreLoadResult::Loaded; }
    // Profiles: load a profile file (its schedule and recent list come with it; false when
    // the file does not exist and the defaults were applied); save it.
    virtual bool loadProfile(const QString& /*path*/) { return true; }
    // Start-up: the playlist saved with the profile becomes the on-air list.
    virtual void loadProfilePlaylist(const QString& /*profilePath*/) {}
    virtual bool saveProfile(const QString& /*path*/) { return true; }
    // Profile options the shell acts on.
    virtual int closeOption() const { return 1; } // 0 minimises instead of closing
    virtual bool autoSaveProfile() const { return true; }
    virtual bool silenceDetectorOn() const { return false; }
    virtual bool schedulerOn() const { return false; }
    virtual QString scheduleName() const { return {}; }

    // Playback: the Play command, and the play position of the current deck.
    virtual void play() {}
    virtual void seekCurrentMs(qint64 /*ms*/) {}
    virtual qint64 positionMs() const { return 0; }
    // Playlists: numbering and totals of the active playlist; loading a playlist file into it.
    virtual void recomputeNumbering() {}
    virtual void loadPlaylist(const QString& /*path*/) {}
    virtual void setActivePlaylistToMaster() {}
    virtual void abortScans() {}

    // Messages that later subsystems answer.
    virtual qint64 loadQueue(qint64 /*wParam*/, qint64 /*lParam*/) { return 0; }
    virtual qint64 engineEvent(qint64 /*deck*/, qint64 /*code*/) { return 1; }
    virtual void databaseChanged(qint64 /*code*/) {}

    // The window.
    virtual void setTitle(const QString& /*caption*/, const QString& /*title*/) {}
    virtual void setStatusPanels(const QStringList& /*panels*/) {}
    virtual void showWatchdogIndicator() {}
    virtual void restoreAndRaise() {}
    virtual void showTrayMenu() {}
    virtual void minimise() {}
    virtual void requestClose() {}
    virtual void stopAudio() {}
    virtual void mainTimerTick() {}
    virtual void clockTick() {}
    // Timer2: the active playlist scrolled so that its playing item is in the middle.
    virtual void centreOnPlaying() {}
};

} // namespace wc
