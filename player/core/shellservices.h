#pragma once
// What the player's shell asks of the rest of the program. The shell owns the order of
// start-up and close-down; each subsystem does its own part when its step comes. The default
// implementations do nothing, so the shell runs (and is tested) without a window. The notes
// at the steps say who does each one's work; "not built yet" marks the ones whose subsystem
// does not exist yet.
#include "common/paths.h"

#include <QString>
#include <QStringList>

namespace wc {

// Main-window creation, in order.
enum class CreateStep {
    ScheduleList = 1, // the shell keeps the start tick; the window makes the scheduler first
    DoubleBuffering,  // nothing to do: Qt paints double-buffered
    SeedRandom,       // the window's random source seeds itself when it is made
    AudioCurve,       // the shell reads system.ini; the on-air chain sets the volume curve
    TrackStore,       // loadTrackStore()
    Priority,         // the shell
    TempoControls,    // tempo, rate and pitch sliders: not built yet
    Decks,            // the window builds the on-air chain: decks, device, output mixer
    DspPlugins,       // effect plug-in host: not built yet
    LineInput,        // line input: not built yet
    TrayIcon,         // the window: notification-area icon and its menu
    ProgressWindow,   // progress window: not built yet
    DeckVolumes,      // the shell sets RunIni; every start sets its deck's volume itself
};

// The main window's first showing, in order.
enum class ShownStep {
    Title = 1,        // the shell: caption and profile name
    VolumeSlider,     // the volume slider
    ActivePlaylist,   // setActivePlaylistToMaster()
    LibraryDefault,   // every profile record starts with the program's library as DefBase
    Spectrum,         // spectrum display: not built yet
    EqualizerLabels,  // equaliser controls: not built yet (equalizerBandLabel() gives the texts)
    PresetLists,      // the shell lists the presets; the preset choices show them
    ProfileMenu,      // the shell lists the profiles; the load-profile menu: not built yet
    LoadProfile,      // loadProfile() and loadProfilePlaylist()
    Mixer,            // the output mixer on the profile's speakers
    Broadcast,        // broadcasting, when player.ini enables it
    DspPlugin,        // effect plug-ins: not built yet
    TaskbarButton,    // not done: see docs/decisions.md
    SecondDevice,     // the second output device, with the pre-listen player: not built yet
    CountTop100Menu,  // the window: the menu entry and the controller's counting
    Language,         // language files: not built yet
    WindowShown,      // the shell: shown flag, numbering and totals
    VisThread,        // level and spectrum thread: not built yet
    Autoexec,         // the shell
    CommandLine,      // the shell
    WatchdogMarkers,  // the shell
    ShellAssociation, // the window writes the desktop entries
    AudioAddOns,      // the audio library's add-ons
    CentreTimer,      // the shell: Timer2 armed (one shot, 100 ms)
    LanguageMenu,     // the shell lists the language folders; the menu: not built yet
    WindowFrame,      // nothing to do: the window has the system's frame and menu
    GenreChoice,      // tag editor: not built yet
    TitleAndPanels,   // the shell
    TodaysReport,     // the shell reads it; the window puts it in the log list
    ScheduleFolder,   // nothing to do: the schedule dialogs make Presets/Schedule when used
    ButtonPictures,   // the buttons get the style's pictures when built; file browser: not built
    Timers,           // the shell: main timer and time-label timer
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
    // The music library of the profile in use (Options/DefBase), which base and Lumbra get.
    virtual QString libraryFile() const {
        return inProgramDir(QStringLiteral("Database/Base.dfs"));
    }

    // Playback: the Play command, and the play position of the current deck.
    virtual void play() {}
    // Resume mode is on: from now on every started item is written to run.ini [LastFile].
    virtual void setResumeMode(bool /*on*/) {}
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
