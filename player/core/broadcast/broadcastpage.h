#pragma once
// The values of the broadcasting settings page, read from and stored into player.ini's record.
// The dialog only binds its controls to this.
#include <QString>
#include <QStringList>

namespace wc {

struct TPlayerIni;

struct BroadcastPage {
    bool enabled = false;
    QString server, password, name, url, genre, description;
    bool isPublic = false;
    int format = 0;      // 0 MP3, 1 OGG, -1 neither (another value stays as stored)
    QString bitrateText; // the list's selected text; empty: no selection (value kept)
    bool autoReconnect = false;
    bool noSound = false;
    int titleType = 0; // 0 the playing track's title, 1 the text
    QString titleText;
};

// The bitrate list, in kbit/s.
const QStringList& broadcastBitrates();
BroadcastPage broadcastPageFrom(const TPlayerIni& ini);
// Stores the page into ini; true when "Broadcasting enabled" changed, which takes effect only
// after a restart.
bool applyBroadcastPage(const BroadcastPage& page, TPlayerIni& ini);

} // namespace wc
