#include "player/core/broadcast/broadcastpage.h"

#include "common/settings.h"

namespace wc {

const QStringList& broadcastBitrates() {
    static const QStringList list{"32",  "40",  "48",  "56",  "64",  "80",  "96",
                                  "112", "128", "160", "192", "224", "256", "320"};
    return list;
}

BroadcastPage broadcastPageFrom(const TPlayerIni& ini) {
    BroadcastPage p;
    p.enabled = ini.bEnableBroadcast;
    p.server = ini.sServer;
    p.password = ini.sPassword;
    p.name = ini.sStreamTitle;
    p.url = ini.sStreamUrl;
    p.genre = ini.sStreamGenre;
    p.description = ini.sStreamDescription;
    p.isPublic = ini.bPublic;
    p.format = ini.iFormat == 0 || ini.iFormat == 1 ? ini.iFormat : -1;
    const QString rate = QString::number(ini.iBitrate);
    p.bitrateText = broadcastBitrates().contains(rate) ? rate : QString();
    p.autoReconnect = ini.bAutoReconnect;
    p.noSound = ini.bUseNoSound;
    p.titleType = ini.iTitleType == 1 ? 1 : 0;
    p.titleText = ini.sTitleText;
    return p;
}

bool applyBroadcastPage(const BroadcastPage& p, TPlayerIni& ini) {
    const bool restart = ini.bEnableBroadcast != p.enabled;
    ini.bEnableBroadcast = p.enabled;
    ini.sServer = p.server;
    ini.sPassword = p.password;
    ini.sStreamTitle = p.name;
    ini.sStreamUrl = p.url;
    ini.sStreamGenre = p.genre;
    ini.sStreamDescription = p.description;
    ini.bPublic = p.isPublic;
    if (p.format == 0 || p.format == 1) ini.iFormat = p.format;
    bool ok = false;
    const int rate = p.bitrateText.toInt(&ok);
    if (ok && broadcastBitrates().contains(p.bitrateText)) ini.iBitrate = rate;
    ini.bAutoReconnect = p.autoReconnect;
    ini.bUseNoSound = p.noSound;
    ini.iTitleType = p.titleType;
    ini.sTitleText = p.titleText;
    return restart;
}

} // namespace wc
