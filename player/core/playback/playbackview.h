#pragma once
// What the player's window shows of playback. The window implements this and binds its
// widgets to it; the controller and the main timer only call these. Do-nothing defaults, so
// the core runs without a window (tests, the bench).
#include <QString>

namespace wc {

struct TransportButtons {
    bool repeat = false;     // btRepeat
    bool breakAfter = false; // btBreak
    bool oneTrack = false;   // brOneTrack (btBreak releases itself after acting once)
    bool shuffle = false;    // btShuffle
    bool repeatList = false; // btRepeatList
    bool lockShown = false;  // the transport lock laid over the transport buttons
    bool operator==(const TransportButtons&) const = default;
};

class PlaybackView {
public:
    virtual ~PlaybackView() = default;
    virtual void repaintList() {}
    virtual void setButtons(const TransportButtons& /*b*/) {}
    // Position bar Track1 (0..1000) and its start and end markers (thousandths of the length).
    virtual void setPositionBar(int /*pos*/) {}
    virtual void setPositionMarkers(int /*start*/, int /*end*/) {}
    // Label10: the silences of the item on air.
    virtual void setSilenceText(const QString& /*text*/) {}
    // edToEnd and EdToEnd2 (the second only while it is shown).
    virtual void setTimeLabels(const QString& /*first*/, const QString& /*second*/) {}
    // Label29.
    virtual void setDiagnostics(const QString& /*text*/) {}
    // Label14: auto-amp factor or "off".
    virtual void setAutoAmpText(const QString& /*text*/) {}
    // The Gain slider (-31..31), its label lbcmgain, and whether it can be moved.
    virtual void setGainSlider(int /*pos*/) {}
    virtual void setGainText(const QString& /*text*/) {}
    virtual void setGainEnabled(bool /*on*/) {}
    // The clock timelabel and the status bar's CPU and memory panels.
    virtual void setClockText(const QString& /*text*/) {}
    virtual void setStatusLoad(const QString& /*cpu*/, const QString& /*memory*/) {}
    // ActivePlaylist centred on its playing item (Timer2).
    virtual void centreOnPlaying() {}
};

} // namespace wc
