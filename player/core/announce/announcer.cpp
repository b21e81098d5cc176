#include "player/core/announce/announcer.h"

#include "common/clock.h"
#include "common/playlistfile/m3u.h"
#include "common/settings.h"
#include "common/tags/trackinfo.h"
#include "player/core/announce/diskwriter.h"
#include "player/core/announce/nowplaying.h"
#include "player/core/announce/reportlog.h"
#include "player/core/playlist/playlistview.h"
#include "player/core/profile/profile.h"

namespace wc {

Announcer::Announcer(PlaylistView& master, const TPlayerIni& ini, const TProfile& profile,
                     FileDurationMs* durations, ReportLog& report, DiskWriter& writer,
                     const Clock& clock, QString programDir, QString version)
    : master_(master), ini_(ini), profile_(profile), durations_(durations), report_(report),
      writer_(writer), clock_(clock), programDir_(std::move(programDir)),
      version_(std::move(version)) {}

void Announcer::setHooks(AnnounceHooks* hooks) {
    hooks_ = hooks ? hooks : &noHooks_;
}

void Announcer::AnnounceItem(const QString& fileName, int index) {
    // 1. The tag; a failed read counts as no tag.
    TrackTag tag;
    clearTag(tag);
    const bool tagRead = ReadTrackTag(fileName, tag);
    if (!tagRead) clearTag(tag);
    const QString artist = cleanTagText(tagText(tag, TagField::Artist));
    const QString title = cleanTagText(tagText(tag, TagField::Title));
    const bool named = tagRead && !(artist + title).isEmpty();

    // 2. On-air text.
    ShowOnAirText(named ? artist + QStringLiteral("\r\n") + title : FileTitle(fileName));

    const bool valid = index >= 0 && index < master_.count();
    // The length: a CD track keeps a length it has (reading one would spin the disc up).
    const bool keepLength = fileName.endsWith(QLatin1String(".cda"), Qt::CaseInsensitive) &&
                            valid && master_.at(index).DurationText() != QLatin1String("??:??");
    const qint64 lengthMs = !keepLength && durations_ ? durations_->durationMs(fileName) : 0;

    // 3. The now-playing file.
    if (!ini_.XMLExportFileName.isEmpty()) ExportNowPlaying(fileName, tag, lengthMs);

    // 4. (The equaliser preset by genre comes with the equaliser's presets.)

    // 5. The row's title.
    TVirtualItem item = valid ? master_.at(index) : TVirtualItem();
    if (valid) {
        item.Columns[kColTitle] = named ? DisplayTitle(artist, title) : FileTitle(fileName);
        master_.SetItem(index, item);
    }

    // 6. The stream title.
    if (ini_.bEnableBroadcast) hooks_->SetBroadcastTitle(item.Title());

    // 7. The row's length, and the totals without renumbering.
    if (valid && !keepLength) {
        item.Columns[kColDurationText] = FormatMinSec(lengthMs);
        master_.SetItem(index, item);
        hooks_->updateTotals();
    }

    // 8. Centring and repainting.
    if (profile_.PlaylistCenter) hooks_->centreOnPlaying();
    hooks_->repaintList();

    // 9. The report line.
    if (profile_.Report && valid) {
        QString line = item.Title();
        if (ini_.ShowTrackNumberInReport) line = QStringLiteral("[%1]  ").arg(index + 1) + line;
        report_.LogEvent(line);
    }
}

void Announcer::ShowOnAirText(const QString& text) {
    // (Effect plug-ins get the text here once the processing chain hosts them.)
    hooks_->showOnAirText(text);
}

QString Announcer::nowPlayingPath() const {
    return ini_.bEnableExport ? NowPlayingPath(ini_.XMLExportFileName, programDir_) : QString();
}

void Announcer::ExportNowPlaying(const QString& fileName, const TrackTag& tag, qint64 lengthMs) {
    const QString path = nowPlayingPath();
    if (path.isEmpty()) return;
    NowPlayingItem item = nowPlayingItem(fileName, tag);
    item.startOle = clock_.nowOle();
    item.lengthMs = lengthMs;
    writer_.replace(path, NowPlayingBytes(exportFormatOf(ini_.iExportFormat), item, version_));
}

} // namespace wc
