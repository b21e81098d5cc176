#include "common/trackstore/top100.h"

#include "common/tags/trackinfo.h"
#include "common/tags/tracktag.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <utility>

namespace wc {

std::vector<TTrackRecord> readTrackStoreFile(const QString& path, bool* ok) {
    if (ok) *ok = true;
    std::vector<TTrackRecord> records;
    QFile f(path);
    if (!f.exists()) return records;
    if (!f.open(QIODevice::ReadOnly)) {
        if (ok) *ok = false;
        return records;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError && ok) *ok = false;
    const qsizetype n = bytes.size() / kTrackRecordSize;
    records.resize(size_t(n));
    for (qsizetype i = 0; i < n; ++i)
        decodeTrackRecord(bytes.constData() + i * kTrackRecordSize, kTrackRecordSize,
                          &records[size_t(i)]);
    return records;
}

void sortByPlayCount(std::vector<TTrackRecord>& a) {
    // Hoare partition around the middle element's count. Every partition step fixes the final
    // order, so which part is sorted first does not matter: the smaller part is sorted next and
    // the larger waits on the stack, which keeps the stack logarithmic.
    struct Range {
        qsizetype lo, hi;
    };
    std::vector<Range> pending{{0, qsizetype(a.size()) - 1}};
    while (!pending.empty()) {
        auto [lo, hi] = pending.back();
        pending.pop_back();
        while (lo < hi) {
            qsizetype i = lo, j = hi;
            const qint32 pivot = a[size_t(lo + (hi - lo) / 2)].playCount;
            do {
                while (a[size_t(i)].playCount > pivot)
                    ++i;
                while (a[size_t(j)].playCount < pivot)
                    --j;
                if (i <= j) {
                    std::swap(a[size_t(i)], a[size_t(j)]);
                    ++i;
                    --j;
                }
            } while (i <= j);
            // The parts are [lo, j] and [i, hi].
            if (j - lo < hi - i) {
                if (i < hi) pending.push_back({i, hi});
                hi = j;
            } else {
                if (lo < j) pending.push_back({lo, j});
                lo = i;
            }
        }
    }
}

const QHash<QString, QString>& CaseInsensitivePaths::entries(const QString& dir) {
    auto it = dirs_.find(dir);
    if (it != dirs_.end()) return it.value();
    QHash<QString, QString> map;
    const QStringList names = QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& n : names) {
        const QString lower = n.toLower();
        if (!map.contains(lower)) map.insert(lower, n);
    }
    return dirs_.insert(dir, std::move(map)).value();
}

QString CaseInsensitivePaths::resolve(const QString& storedPath) {
    if (storedPath.isEmpty()) return {};
    if (QFileInfo::exists(storedPath)) return storedPath;
    if (!storedPath.startsWith(QLatin1Char('/'))) return {};
    const QStringList parts = storedPath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString at = QStringLiteral("/");
    for (const QString& part : parts) {
        const auto& names = entries(at);
        const auto hit = names.constFind(part.toLower());
        if (hit == names.constEnd()) return {};
        at = (at.endsWith(QLatin1Char('/')) ? at : at + QLatin1Char('/')) + hit.value();
    }
    return QFileInfo::exists(at) ? at : QString();
}

QString top100TagText(const QString& path) {
    TrackTag tag;
    clearTag(tag);
    if (!ReadTrackTag(path, tag)) return {};
    const QString artist = tagText(tag, TagField::Artist).trimmed();
    const QString title = tagText(tag, TagField::Title).trimmed();
    if ((artist + title).isEmpty()) return {};
    return artist + QStringLiteral(" - ") + title;
}

std::vector<Top100Row> top100Rows(const QString& storePath, const Top100Sources& sources,
                                  int limit) {
    std::vector<TTrackRecord> records = readTrackStoreFile(storePath);
    sortByPlayCount(records);
    CaseInsensitivePaths disk;
    std::vector<Top100Row> rows;
    for (const TTrackRecord& r : records) {
        if (int(rows.size()) >= limit) break;
        const QString file = disk.resolve(r.nameText());
        if (file.isEmpty()) continue;
        Top100Row row;
        row.playCount = r.playCount;
        row.path = file;
        QString text = sources.displayText ? sources.displayText(file) : top100TagText(file);
        if (text.isEmpty()) text = FileTitle(file);
        row.caption = QStringLiteral("[%1] %2").arg(r.playCount).arg(text);
        row.durationText = FormatMinSec(sources.durationMs ? sources.durationMs(file) : 0);
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace wc
