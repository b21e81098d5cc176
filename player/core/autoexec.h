#pragma once
// The start-up script "autoexec.ini": one keyword per line, compared without regard to case;
// other lines are ignored.
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace wc {

enum class AutoexecKeyword { StartPlaylist, ResumePlaylist };

std::vector<AutoexecKeyword> parseAutoexec(const QString& text);

// Which item "resumeplaylist" selects: the item after the first whose file name equals
// lastFile exactly, or the first item when there is none after it or none matched.
// nullopt when lastFile is empty (the keyword then has no further effect); -1 when the list
// is empty (nothing to select, but playback is still asked to start).
std::optional<int> resumeSelection(const QStringList& fileNames, const QString& lastFile);

} // namespace wc
