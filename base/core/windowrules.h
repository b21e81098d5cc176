#pragma once
// Small rules of the library window that need no widgets: which key releases run the quick
// search, where a press on the preview bar seeks to, the total-time texts, and the row colour
// of a file.
#include "common/library/libraryfile.h"

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

namespace wc::base {

// Whether releasing this key (a Qt::Key value) in a search field runs the quick search:
// every key but F1-F12, the lock keys, Esc, Ctrl, Alt, Shift, Enter and the cursor keys.
bool keyRunsQuickSearch(int key);

// The position a press at x on a bar of the given width seeks to: x is clamped to the bar, a
// bar of no width seeks nowhere (0), and the arithmetic is 64-bit, so lengths of many hours
// do not overflow.
qint64 seekTargetMs(qint64 x, qint64 width, qint64 lengthMs);

// "h:mm:ss" of the summed durations, with "+" when one of them has no length.
QString totalTimeText(const TBaseEntryArr& records, const std::vector<int>& positions);
QString totalTimeText(const TBaseEntryArr& records);

// The colour slot of a row: 0 ".mp3" and others, 1 ".wma", 2 ".ogg", 3 ".wav".
int rowColourSlot(const QString& fileName);

} // namespace wc::base

namespace wc::base {

// The command line of the window: "fromplayer <handle> <library>", "hidden", or a library.
struct BaseCommandLine {
    bool fromPlayer = false;
    qint32 playerWindow = 0;
    bool hidden = false;
    QString libraryName = QStringLiteral("---"); // "---": none given
    bool libraryGiven = false;
};
BaseCommandLine parseBaseCommandLine(const QStringList& args);

} // namespace wc::base
