#include "player/core/autoexec.h"

namespace wc {

std::vector<AutoexecKeyword> parseAutoexec(const QString& text) {
    std::vector<AutoexecKeyword> out;
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.compare(QLatin1String("startplaylist"), Qt::CaseInsensitive) == 0)
            out.push_back(AutoexecKeyword::StartPlaylist);
        else if (line.compare(QLatin1String("resumeplaylist"), Qt::CaseInsensitive) == 0)
            out.push_back(AutoexecKeyword::ResumePlaylist);
    }
    return out;
}

std::optional<int> resumeSelection(const QStringList& fileNames, const QString& lastFile) {
    if (lastFile.isEmpty()) return std::nullopt;
    if (fileNames.isEmpty()) return -1;
    const qsizetype at = fileNames.indexOf(lastFile);
    if (at >= 0 && at + 1 < fileNames.size()) return int(at + 1);
    return 0;
}

} // namespace wc
