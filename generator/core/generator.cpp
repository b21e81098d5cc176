#include "generator.h"

#include "common/atomicfile.h"
#include "common/log.h"
#include "common/playlistfile/m3u.h"
#include "common/tags/tracktag.h"
#include "generator/core/genplaylist.h"
#include "platform/prompts.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace wc {
namespace {

constexpr std::uint8_t kHourBit = 0x80;
constexpr int kMaxBlocks = 127;
constexpr int kDayMinutes = 1440;

double minutesOf(qint64 ms) {
    return double(ms) / 60000.0;
}

QString itemTitle(const TBaseEntry& e) {
    const QString artist = e.artist.trimmed(), title = e.title.trimmed();
    if (artist.isEmpty() && title.isEmpty()) return FileTitle(e.fileName);
    return artist + QStringLiteral(" - ") + title;
}

QString fileNameOnly(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(slash + 1);
}

} // namespace

// --- artist log ---------------------------------------------------------------------------

bool ArtistLog::open(const QString& fileName) {
    close();
    name_ = fileName;
    file_.setFileName(fileName);
    return file_.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void ArtistLog::rewrite() {
    if (!file_.isOpen()) return;
    file_.flush();
    file_.resize(0);
    file_.seek(0);
}

void ArtistLog::writeLine(const QString& line) {
    if (file_.isOpen()) file_.write(line.toUtf8() + "\r\n");
}

void ArtistLog::flush() {
    if (file_.isOpen()) file_.flush();
}

void ArtistLog::close() {
    if (file_.isOpen()) file_.close();
}

QString artistLogNameFor(const QString& mainLogName) {
    const QFileInfo fi(mainLogName);
    QString base = mainLogName;
    if (!fi.suffix().isEmpty()) base.chop(fi.suffix().size() + 1);
    return base + QStringLiteral(" (artist).log");
}

// --- helpers ------------------------------------------------------------------------------

QString formatDeviation(double minutes) {
    const double a = std::fabs(minutes);
    const long long whole = static_cast<long long>(a);
    const int seconds = static_cast<int>((a - double(whole)) * 60.0);
    return (minutes < 0 ? QStringLiteral("-") : QString()) +
           QString::asprintf("%.2lld:%.2d", whole, seconds);
}

QStringList commentWords(const QString& text) {
    QStringList words;
    for (const QString& piece : text.split(u',')) {
        const QString w = piece.trimmed();
        if (!w.isEmpty()) words << w.toLower();
    }
    return words;
}

TBaseEntryArr FilterByComment(const TBaseEntryArr& pool, const QString& text) {
    const QStringList words = commentWords(text);
    TBaseEntryArr kept;
    for (const TBaseEntry& e : pool) {
        const QString c = e.comment.toLower();
        for (const QString& w : words)
            if (c.contains(w)) {
                kept.push_back(e);
                break;
            }
    }
    return kept;
}

int fileNameNumber(const QString& fileName, int from) {
    bool ok = false;
    const int v = fileNameOnly(fileName).mid(from, 2).toInt(&ok);
    return ok ? v : 0;
}

// --- generator ----------------------------------------------------------------------------

PlaylistGenerator::PlaylistGenerator(GeneratorRandom random, ArtistLog& artistLog)
    : random_(random), artistLog_(artistLog), shuffle_(*random.rotation), table_(*random.jingles) {}

bool PlaylistGenerator::AcceptArtist(const QString& artist) {
    artistLog_.writeLine(artist);
    const QString key = artist.trimmed().toCaseFolded();
    if (tmpl_.noRepeatArtists && accepted_.contains(key)) {
        lastVerdict_ = false;
        return false;
    }
    accepted_.insert(key);
    artistLog_.writeLine(QStringLiteral("** Accepted: ") + artist);
    lastVerdict_ = true;
    return true;
}

void PlaylistGenerator::preparePool() {
    pool_ = readLibraryFile(library_);
    if (tmpl_.chooseType == 2) pool_ = FilterByComment(pool_, tmpl_.comment);
    used_.assign(pool_.size(), 0);
}

void PlaylistGenerator::prepareLists(bool timeMode) {
    rotation_ = tmpl_.isRotation ? ReadGeneratorPlaylist(tmpl_.rotationList) : TBaseEntryArr{};
    jingles_ = tmpl_.isJingles ? ReadGeneratorPlaylist(tmpl_.jingleList) : TBaseEntryArr{};
    clock_ = timeMode && tmpl_.isClock ? ReadGeneratorPlaylist(tmpl_.clockList) : TBaseEntryArr{};
    shuffle_.build(int(rotation_.size()));
    table_.fill(int(jingles_.size()));
    rotationPos_ = -1;
}

bool PlaylistGenerator::takeable(int index) {
    return (!used_[size_t(index)] || !tmpl_.dontRepeat) &&
           AcceptArtist(pool_[size_t(index)].artist);
}

bool PlaylistGenerator::wouldTake(int index) {
    const TBaseEntry& e = pool_[size_t(index)];
    if (used_[size_t(index)] && tmpl_.dontRepeat) return false;
    artistLog_.writeLine(e.artist);
    return !tmpl_.noRepeatArtists || !accepted_.contains(e.artist.trimmed().toCaseFolded());
}

bool PlaylistGenerator::appendJingle() {
    const int i = table_.next();
    if (i < 0 || i >= int(jingles_.size())) return false;
    append(jingles_[size_t(i)]);
    return true;
}

int PlaylistGenerator::nextRotation() {
    const int size = int(rotation_.size());
    if (tmpl_.rotationType == 1) {
        rotationPos_ = shuffle_.next();
    } else {
        rotationPos_ = rotationPos_ + 1 >= size ? 0 : rotationPos_ + 1;
    }
    return rotationPos_;
}

bool PlaylistGenerator::writeItems(const QString& output, bool appendToFile, QString* error) {
    QByteArray bytes;
    if (appendToFile && QFileInfo::exists(output)) {
        QFile old(output);
        if (old.open(QIODevice::ReadOnly)) bytes = old.readAll();
    }
    if (bytes.isEmpty())
        bytes = "#EXTM3U\r\n";
    else if (!bytes.endsWith('\n'))
        bytes += "\r\n";
    for (const TBaseEntry& e : items_) {
        bytes += "#EXTINF:" + QByteArray::number(roundMsToSeconds(e.durationMs)) + ',' +
                 itemTitle(e).toUtf8() + "\r\n";
        bytes += e.fileName.trimmed().toUtf8() + "\r\n";
    }
    QString why;
    QDir().mkpath(QFileInfo(output).absolutePath());
    if (!writeFileAtomically(output, bytes, &why)) {
        const QString text = QStringLiteral("Playlist %1 cannot be written: %2").arg(output, why);
        logLine(text);
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), text);
        if (error) *error = text;
        return false;
    }
    return true;
}

void PlaylistGenerator::reportError() {
    prompts().notify(PromptKind::Error, texts_.errorCaption, texts_.notEnoughTracks);
}

GenerationOutcome PlaylistGenerator::Generate(const QString& output) {
    clearAcceptedArtists();
    if (tmpl_.type != 2) return GenerateByCount(output, tmpl_.trackCount);
    carried_ = 0;
    const int hour = tmpl_.startHour, minutes = tmpl_.minuteCount;
    if (hour * 60 + minutes <= kDayMinutes) return GenerateByTime(output, hour, minutes);
    // Across midnight: up to midnight, then from 0:00 the rest, into the same file.
    const int first = std::max(0, kDayMinutes - hour * 60);
    GenerationOutcome a = GenerateByTime(output, hour, first);
    GenerationOutcome b = GenerateByTime(output, 0, minutes - first);
    b.error = a.error || b.error;
    if (b.writeError.isEmpty()) b.writeError = a.writeError;
    b.itemCount += a.itemCount;
    return b;
}

GenerationOutcome PlaylistGenerator::GenerateByCount(const QString& output, int wanted) {
    preparePool();
    prepareLists(false);
    items_.clear();
    const int jingleEvery = std::clamp(tmpl_.jingleEvery, 1, 100);
    const int rotationEvery = std::clamp(tmpl_.rotationEvery, 1, 100);
    const int size = int(pool_.size());
    int t = 0, c = 0, attempts = 0;
    auto j = [&] { return int(items_.size()); };
    while (j() < wanted && attempts < 2 * wanted && size > 0) {
        ++attempts;
        int m = 0;
        for (int k = 0; k < 2 * size; ++k) {
            m = random_.pick->below(size);
            if (takeable(m)) break;
        }
        if (used_[size_t(m)] && tmpl_.dontRepeat) break; // not enough tracks
        used_[size_t(m)] = 1;
        append(pool_[size_t(m)]);
        ++t;
        ++c;
        bool jingleTried = false;
        if (tmpl_.isJingles && c % jingleEvery == 0 && j() < wanted) {
            jingleTried = true;
            if (appendJingle()) ++wanted; // jingles do not count
        }
        if (tmpl_.isRotation && !rotation_.empty() && t % rotationEvery == 0 && j() < wanted) {
            append(rotation_[size_t(nextRotation())]);
            ++c;
        }
        if (tmpl_.isJingles && !jingleTried && c % jingleEvery == 0 && j() < wanted)
            if (appendJingle()) ++wanted;
    }
    GenerationOutcome out;
    writeItems(output, false, &out.writeError);
    out.itemCount = j();
    out.error = j() < wanted;
    pool_.clear(); // the next generation reads the library again (the filter is undone)
    artistLog_.flush();
    if (out.error) reportError();
    return out;
}

void PlaylistGenerator::mainLogWrite(const QString& text) {
    if (mainLog_.isOpen()) mainLog_.write(text.toUtf8());
}

void PlaylistGenerator::buildSlots() {
    slots_.fill(0);
    for (const TBaseEntry& e : clock_) {
        const int hour = fileNameNumber(e.fileName, 0);
        if (hour < 0 || hour > 23) {
            const QString why = QStringLiteral("Hour signal %1 ignored: no hour 00..23 at the "
                                               "start of its name")
                                    .arg(e.fileName);
            logLine(why);
            mainLogWrite(why + QStringLiteral("\r\n"));
            continue;
        }
        slots_[size_t(hour * 60)] |= kHourBit;
    }
    for (size_t k = 0; k < blocks_.size(); ++k) {
        const QString& name = blocks_[k].fileName;
        const int hour = fileNameNumber(name, 0), minute = fileNameNumber(name, 3);
        QString why;
        if (k + 1 > size_t(kMaxBlocks))
            why = QStringLiteral("more than %1 commercial blocks").arg(kMaxBlocks);
        else if (hour < 0 || hour > 23 || minute < 0 || minute > 59)
            why = QStringLiteral("no time hh-mm (00-00 to 23-59) at the start of its name");
        else if (slots_[size_t(hour * 60 + minute)] & ~kHourBit)
            why = QStringLiteral("another block starts at the same minute");
        if (!why.isEmpty()) {
            why = QStringLiteral("Commercial block %1 ignored: %2").arg(name, why);
            logLine(why);
            mainLogWrite(why + QStringLiteral("\r\n"));
            continue;
        }
        slots_[size_t(hour * 60 + minute)] |= std::uint8_t(k + 1);
    }
}

bool PlaylistGenerator::fill(double& r) {
    const int size = int(pool_.size());
    const int jingleEvery = std::clamp(tmpl_.jingleEvery, 1, 100);
    const int rotationEvery = std::clamp(tmpl_.rotationEvery, 1, 100);
    const double cfadeMs = opts_.cfadeLen * 1000.0;
    // A jingle when x has reached a multiple of the interval it was not yet placed at;
    // returns false when filling stops.
    auto jingle = [&]() -> bool {
        if (appendJingle()) {
            r -= minutesOf(items_.back().durationMs);
            if (r <= 2 && random_.pick->below(2) == 0) return false; // g stays
        }
        g_ = x_;
        return true;
    };
    int idleRounds = 0; // rounds in a row in which no track fitted
    while (r > 0) {
        const double before = r;
        if (r <= opts_.minTime && random_.pick->below(3) == 0) return true;
        const bool searched = r > opts_.minTime * 0.77;
        if (searched) {
            if (size == 0) return false; // the empty pool is never read
            double best = 10000000;
            int bestIndex = 0, tries = 0, m = 0;
            bool found = false;
            const qint64 limit = qint64(size) + opts_.tryCount;
            do {
                m = random_.pick->below(size);
                const qint64 mMinutes =
                    (qint64(pool_[size_t(m)].durationMs) + opts_.cfadeLen * 1000) / 60000;
                if (opts_.findTime > r && double(mMinutes) - r >= 2) {
                    // Special fitting search among FindTry candidates. Candidates are only
                    // checked here: recording each one's artist would make the chosen one
                    // fail its own artist check below whenever artists must not repeat.
                    for (int k = 0; k < opts_.findTry; ++k) {
                        const int p = random_.pick->below(size);
                        if (!wouldTake(p)) continue;
                        const double diff = double(pool_[size_t(p)].durationMs / 60000) - r;
                        if (diff <= best) {
                            best = diff;
                            bestIndex = p;
                        }
                    }
                    m = bestIndex;
                }
                ++tries;
                if (takeable(m)) {
                    found = true;
                    break;
                }
            } while (tries < limit);
            if (!found) return false; // used track, repeated artist or tries used up
            if (best == 10000000 || best <= 2) {
                r -= (double(pool_[size_t(m)].durationMs) + cfadeMs) / 60000.0;
                used_[size_t(m)] = 1;
                append(pool_[size_t(m)]);
                ++t_;
                ++x_;
            }
        }
        bool jingleDrawn = false;
        if (tmpl_.isJingles && x_ % jingleEvery == 0 && x_ != g_) {
            jingleDrawn = true;
            if (!jingle()) return true;
        }
        if (r <= 0.1) return true;
        if (tmpl_.isRotation && !rotation_.empty() && t_ % rotationEvery == 0 && r > 2 &&
            t_ != h_) {
            const int n = nextRotation();
            h_ = t_;
            append(rotation_[size_t(n)]);
            ++x_;
            r -= minutesOf(rotation_[size_t(n)].durationMs);
            if (r <= 2 && random_.pick->below(2) == 0) return true;
        }
        if (r <= 0.1) return true;
        if (tmpl_.isJingles && !jingleDrawn && x_ % jingleEvery == 0 && x_ != g_)
            if (!jingle()) return true;
        if (r < before) {
            idleRounds = 0;
            continue;
        }
        // Nothing shortened the time left. A remainder within MinTime counts as filled (the
        // stop chance above would end the gap). Otherwise no track fitted the search: try
        // again while some record still could, and as often as a search may try; a gap that
        // no record can fill is the not-enough-tracks error.
        const bool withinMinTime = r <= opts_.minTime;
        if (!searched) return true;
        if (++idleRounds == 1 && !anyTrackCouldFit(r)) return withinMinTime;
        if (idleRounds >= qint64(size) + opts_.tryCount) return withinMinTime;
    }
    return true;
}

bool PlaylistGenerator::anyTrackCouldFit(double r) const {
    for (size_t i = 0; i < pool_.size(); ++i) {
        if (used_[i] && tmpl_.dontRepeat) continue;
        const TBaseEntry& e = pool_[i];
        if (tmpl_.noRepeatArtists && accepted_.contains(e.artist.trimmed().toCaseFolded()))
            continue;
        // Taken at once when drawn, or found by the special fitting search.
        const double drawn = double((qint64(e.durationMs) + opts_.cfadeLen * 1000) / 60000) - r;
        const double fitted = double(e.durationMs / 60000) - r;
        if (opts_.findTime <= r || drawn < 2 || fitted <= 2) return true;
    }
    return false;
}

GenerationOutcome PlaylistGenerator::GenerateByTime(const QString& output, int startHour,
                                                    int minutes) {
    artistLog_.rewrite();
    int cur = std::clamp(startHour, 0, 24) * 60;
    preparePool();
    // A record without a length would fill nothing: it is never drawn in this mode.
    std::erase_if(pool_, [](const TBaseEntry& e) { return e.durationMs == 0; });
    used_.assign(pool_.size(), 0);
    prepareLists(true);
    blocks_.clear();
    if (tmpl_.isAds)
        for (const QString& name : tmpl_.adLists)
            if (!name.trimmed().isEmpty() && QFileInfo(name.trimmed()).isFile())
                blocks_.push_back({name.trimmed()});
    items_.clear();
    if (!mainLogName_.isEmpty()) {
        mainLog_.setFileName(mainLogName_);
        if (!mainLog_.open(QIODevice::WriteOnly | QIODevice::Append))
            logLine(QStringLiteral("Generator log %1 cannot be written").arg(mainLogName_));
    }
    buildSlots();

    double remaining = minutes;
    double actual = carried_, planned = 0, largest = 0, d = 0, leftAtError = 0;
    bool firstEvent = true, error = false;
    QString deviationText;
    t_ = x_ = g_ = h_ = 0;
    auto logEvent = [&](const QString& text) {
        if (firstEvent)
            firstEvent = false;
        else
            mainLogWrite(text);
    };
    while (remaining > 0) {
        if (tmpl_.isClock && cur <= kDayMinutes && (slots_[size_t(cur)] & kHourBit) &&
            !clock_.empty()) {
            const QString prefix = QString::asprintf("%.2d", (cur + 2) / 60);
            const TBaseEntry* chosen = &clock_.front();
            for (const TBaseEntry& e : clock_)
                if (fileNameOnly(e.fileName).startsWith(prefix)) chosen = &e;
            append(*chosen);
            slots_[size_t(cur)] &= std::uint8_t(~kHourBit);
            logEvent(QStringLiteral("Hour signal (%1:00) ").arg(cur / 60));
        }
        if (tmpl_.isAds && cur <= kDayMinutes && slots_[size_t(cur)] != 0 &&
            !(slots_[size_t(cur)] & kHourBit)) {
            const int block = slots_[size_t(cur)];
            for (const TBaseEntry& e : ReadGeneratorPlaylist(blocks_[size_t(block - 1)].fileName))
                append(e);
            slots_[size_t(cur)] = 0;
            logEvent(QStringLiteral("Commercial (%1:%2) ").arg(cur / 60).arg(cur % 60));
        }
        double gap;
        if (tmpl_.isClock || tmpl_.isAds) {
            int m = cur;
            while (m < kDayMinutes && slots_[size_t(m)] == 0)
                ++m;
            m = std::max(m, cur);
            gap = m - cur;
            if (gap == 0) remaining = 0;
            remaining -= gap;
            if (remaining < 0) gap += remaining;
            cur = m;
        } else {
            gap = remaining;
            remaining = 0;
        }
        double r = gap - (actual - planned);
        planned += gap;
        if (!fill(r)) {
            error = true;
            leftAtError = r;
            break;
        }
        qint64 totalMs = 0;
        for (const TBaseEntry& e : items_)
            totalMs += e.durationMs;
        actual = minutesOf(totalMs);
        d = actual - planned;
        if (!deviationText.isEmpty())
            mainLogWrite(QStringLiteral(": ") + deviationText + QStringLiteral("\r\n"));
        deviationText = formatDeviation(d);
        if (std::fabs(d) > std::fabs(largest)) largest = d;
    }
    GenerationOutcome out;
    if (!error) {
        carried_ = largest;
        mainLogWrite(QStringLiteral("End : ") + deviationText + QStringLiteral("\r\n"));
        writeItems(output, true, &out.writeError);
        out.itemCount = int(items_.size());
        out.deviationText = formatDeviation(d);
    } else {
        // Even a pass that writes no items leaves a playlist file with its header.
        items_.clear();
        if (!QFileInfo::exists(output)) writeItems(output, true, &out.writeError);
        out.deviationText = formatDeviation(leftAtError);
    }
    if (mainLog_.isOpen()) mainLog_.close();
    pool_.clear();
    artistLog_.flush();
    out.error = error;
    if (error) reportError();
    return out;
}

} // namespace wc
