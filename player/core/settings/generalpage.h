#pragma once
// What the General page of the Preferences window edits so far: the play report switches
// (profile Options/Report, player.ini Options/ShowTrackNumberInReport) and the now-playing
// file (player.ini Options/bEnableExport, XMLExportFileName, iExportFormat). The page works
// on copies; OK applies them, Cancel drops them.
#include "common/settings.h"
#include "player/core/profile/profile.h"

namespace wc {

class GeneralPage {
public:
    void fill(const TProfile& profile, const TPlayerIni& ini);

    // "Создавать файл отчета"
    bool report = true;
    // "Сохранять номер трека в отчете": offered only while the report is made.
    bool showTrackNumber = false;
    bool trackNumberEnabled() const { return report; }
    // "Save playing track title to file", the file name, and "Format": 0 XML, 1 TXT, 2 JSON.
    bool enableExport = true;
    QString exportFileName;
    int exportFormat = 1;

    // OK: the fields into the records.
    void apply(TProfile& profile, TPlayerIni& ini) const;
};

} // namespace wc
