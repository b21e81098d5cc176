#include "player/core/edit/starttimes.h"

#include <algorithm>

namespace wc {

namespace {

// A run of decimal digits with an optional sign, as the length texts hold; false for
// anything else (blanks, "??", nothing).
bool parseNumber(QStringView s, qint64* out) {
    bool ok = false;
    const qint64 v = s.toLongLong(&ok);
    if (ok) *out = v;
    return ok;
}

} // namespace

bool lengthTextSeconds(const QString& text, qint64* seconds) {
    const qsizetype colon = text.indexOf(u':');
    const QStringView view(text);
    qint64 m = 0, s = 0;
    if (colon >= 0) {
        if (!parseNumber(view.left(colon), &m)) m = 0;
        if (!parseNumber(view.mid(colon + 1), &s)) return false;
    } else {
        // No colon: nothing to read the seconds from.
        return false;
    }
    *seconds = m * 60 + s;
    return true;
}

qint64 startTimeLengthSeconds(const QString& text) {
    qint64 s = 0;
    if (lengthTextSeconds(text, &s)) return s;
    // The minutes still count when only the seconds cannot be read.
    const qsizetype colon = text.indexOf(u':');
    qint64 m = 0;
    if (colon > 0 && parseNumber(QStringView(text).left(colon), &m)) return m * 60;
    return 0;
}

QString timeOfDayText(qint64 seconds) {
    qint64 t = seconds % 86400;
    if (t < 0) t += 86400;
    return QStringLiteral("%1:%2:%3")
        .arg(t / 3600, 2, 10, QLatin1Char('0'))
        .arg(t / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(t % 60, 2, 10, QLatin1Char('0'));
}

namespace {

void setStart(PlaylistView& v, int index, const QString& text, bool fixed) {
    const TVirtualItem& cur = v.at(index);
    if (cur.StartTime() == text && cur.StartFixed == fixed) return;
    TVirtualItem it = cur;
    it.Columns[kColStartTime] = text;
    it.StartFixed = fixed;
    v.SetItem(index, it);
}

} // namespace

void UpdateStartTimes(PlaylistView& master, int from, int offset, bool clearOnly,
                      const StartTimeParams& p) {
    const int n = master.count();
    if (from < 0 || from > n) return;
    const int last = std::min(from + std::max(p.window, 0), n - 1);
    // The pass over the whole list is needed only when some time lies outside the rows
    // recomputed here (or every time goes).
    int inside = 0;
    for (int k = from; k <= last; ++k)
        if (PlaylistView::hasUnfixedStartTime(master.at(k))) ++inside;
    const bool outside = master.unfixedStartTimeCount() > (clearOnly ? 0 : inside);
    for (int k = 0; outside && k < n; ++k) {
        if (!clearOnly && k >= from && k <= last) continue;
        const TVirtualItem& it = master.at(k);
        // The text first: it shares a cache line with the record's start, the flag does not,
        // and most items have no time.
        if (!it.StartTime().isEmpty() && !it.StartFixed) setStart(master, k, QString(), false);
    }
    if (clearOnly) return;
    const int i = from + offset;
    if (i < 0 || i >= n) return;
    qint64 t = p.nowSeconds;
    if (offset == 0) setStart(master, i, timeOfDayText(t), true);
    t -= p.positionSeconds;
    qint64 d = startTimeLengthSeconds(master.at(i).DurationText());
    for (int j = i + 1; j <= last; ++j) {
        t += d;
        d = startTimeLengthSeconds(master.at(j).DurationText());
        setStart(master, j, timeOfDayText(t), false);
    }
}

PlaylistTotals playlistTotals(const PlaylistView& view) {
    PlaylistTotals t;
    t.count = view.count();
    for (int i = 0; i < t.count; ++i) {
        qint64 s = 0;
        if (lengthTextSeconds(view.at(i).DurationText(), &s))
            t.seconds += s;
        else
            t.incomplete = true;
    }
    return t;
}

QString totalsText(const PlaylistTotals& t, const QString& tracksWord) {
    const qint64 s = std::max<qint64>(t.seconds, 0);
    const QString total = QStringLiteral("%1:%2:%3")
                              .arg(s / 3600)
                              .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                              .arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral(" ") + tracksWord + QStringLiteral(": ") + QString::number(t.count) +
           QStringLiteral(" [") + total + (t.incomplete ? QStringLiteral("+") : QString()) +
           QStringLiteral("]");
}

} // namespace wc
