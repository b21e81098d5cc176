#include "player/core/settings/generalpage.h"

namespace wc {

void GeneralPage::fill(const TProfile& profile, const TPlayerIni& ini) {
    report = profile.Report;
    showTrackNumber = ini.ShowTrackNumberInReport;
    enableExport = ini.bEnableExport;
    exportFileName = ini.XMLExportFileName;
    // A value the radio group does not have shows as TXT, the form it writes.
    exportFormat = ini.iExportFormat == 0 || ini.iExportFormat == 2 ? ini.iExportFormat : 1;
}

void GeneralPage::apply(TProfile& profile, TPlayerIni& ini) const {
    profile.Report = report;
    ini.ShowTrackNumberInReport = showTrackNumber;
    ini.bEnableExport = enableExport;
    ini.XMLExportFileName = exportFileName;
    // The stored value stays when the group still shows what it meant.
    const bool sameForm = (ini.iExportFormat == 0 || ini.iExportFormat == 2)
                              ? ini.iExportFormat == exportFormat
                              : exportFormat == 1;
    if (!sameForm) ini.iExportFormat = exportFormat;
}

} // namespace wc
