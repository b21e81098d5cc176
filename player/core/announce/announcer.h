#pragma once
// The announcement of every item the playback controller starts on the on-air list: the
// on-air text, the now-playing file, the item's refreshed title and length, the stream title
// and the line of the day's report. UI-free: the window binds AnnounceHooks to its widgets.
#include "common/tags/tracktag.h"

#include <QString>

#include <functional>

namespace wc {

class Clock;
class DiskWriter;
class FileDurationMs;
class PlaylistView;
class ReportLog;
struct TPlayerIni;
struct TProfile;

// What the announcement asks of the window and of the other subsystems. Do-nothing defaults.
class AnnounceHooks {
public:
    virtual ~AnnounceHooks() = default;
    // The on-air label and the tray icon's hint ("" clears them).
    virtual void showOnAirText(const QString& /*text*/) {}
    // The stream title of the broadcast link; called only while broadcasting is enabled.
    virtual void SetBroadcastTitle(const QString& /*itemTitle*/) {}
    // The totals line of the list after a length changed (no renumbering).
    virtual void updateTotals() {}
    // Centre the on-air list on its playing item.
    virtual void centreOnPlaying() {}
    virtual void repaintList() {}
};

// AnnounceHooks bound to functions, for a window that binds each piece where it has it (an
// unset function does nothing).
class BoundAnnounceHooks final : public AnnounceHooks {
public:
    std::function<void(const QString& text)> onAirText;
    std::function<void(const QString& itemTitle)> broadcastTitle;
    std::function<void()> totals;
    std::function<void()> centre;
    std::function<void()> repaint;

    void showOnAirText(const QString& text) override {
        if (onAirText) onAirText(text);
    }
    void SetBroadcastTitle(const QString& itemTitle) override {
        if (broadcastTitle) broadcastTitle(itemTitle);
    }
    void updateTotals() override {
        if (totals) totals();
    }
    void centreOnPlaying() override {
        if (centre) centre();
    }
    void repaintList() override {
        if (repaint) repaint();
    }
};

class Announcer {
public:
    // master: the on-air list; durations: the length probe of playlists (may be null);
    // version: the player's build version for the XML form. The settings records are read at
    // every announcement, so changes made in the Preferences window apply to the next item.
    Announcer(PlaylistView& master, const TPlayerIni& ini, const TProfile& profile,
              FileDurationMs* durations, ReportLog& report, DiskWriter& writer, const Clock& clock,
              QString programDir, QString version);

    void setHooks(AnnounceHooks* hooks);

    // The item at index of the on-air list has started: its file is fileName.
    void AnnounceItem(const QString& fileName, int index);
    void ShowOnAirText(const QString& text);
    // Queues the now-playing file (bEnableExport on and a path, see NowPlayingPath). lengthMs
    // goes into the JSON form.
    void ExportNowPlaying(const QString& fileName, const TrackTag& tag, qint64 lengthMs = 0);
    // The now-playing file's path from the settings; empty when nothing is written.
    QString nowPlayingPath() const;

private:
    PlaylistView& master_;
    const TPlayerIni& ini_;
    const TProfile& profile_;
    FileDurationMs* durations_;
    ReportLog& report_;
    DiskWriter& writer_;
    const Clock& clock_;
    QString programDir_;
    QString version_;
    AnnounceHooks noHooks_;
    AnnounceHooks* hooks_ = &noHooks_;
};

} // namespace wc
