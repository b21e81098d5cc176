#include "statistics.h"

#include "common/clock.h"

#include <QLocale>
#include <algorithm>

namespace wc::base {

std::array<double, 4> LibraryStats::shares() const {
    const double n = records > 0 ? records : 1;
    std::array<double, 4> s{};
    for (size_t i = 0; i < 4; ++i)
        s[i] = typeCounts[i] * 100.0 / n;
    return s;
}

QString secondsText(qint64 s) {
    return QString::asprintf("%lld sec (%.2lld:%.2lld min)", static_cast<long long>(s),
                             static_cast<long long>(s / 60), static_cast<long long>(s % 60));
}

namespace {

const QString kUnknown = QStringLiteral("<unknown>");

// The value of the longest run of equal texts among the non-empty ones (first run on ties).
QString mostFrequent(std::vector<QString> values) {
    values.erase(
        std::remove_if(values.begin(), values.end(), [](const QString& v) { return v.isEmpty(); }),
        values.end());
    if (values.empty()) return kUnknown;
    std::sort(values.begin(), values.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    QString best;
    int bestRun = 0;
    for (size_t i = 0; i < values.size();) {
        size_t j = i;
        while (j < values.size() &&
               QString::compare(values[j], values[i], Qt::CaseInsensitive) == 0)
            ++j;
        if (int(j - i) > bestRun) {
            bestRun = int(j - i);
            best = values[i];
        }
        i = j;
    }
    return best;
}

} // namespace

bool computeStatistics(const TBaseEntryArr& records, LibraryStats& st,
                       const std::function<bool()>& stop,
                       const std::function<void(int)>& progress) {
    st = LibraryStats{};
    st.records = int(records.size());
    qint64 total = 0, minS = 0, maxS = -1;
    for (size_t i = 0; i < records.size(); ++i) {
        if (stop()) return false;
        const qint64 s = records[i].durationMs / 1000;
        if (s == 0) ++st.lengthless;
        total += s;
        if (s > maxS) {
            maxS = s;
            st.longest = int(i);
        }
        if (s > 0 && (st.shortest < 0 || s < minS)) {
            minS = s;
            st.shortest = int(i);
        }
    }
    const int withLength = st.records - st.lengthless;
    st.averageS = withLength > 0 ? total / withLength : 0;
    st.shortestS = st.shortest >= 0 ? minS : 0;
    st.longestS = maxS > 0 ? maxS : 0;
    const QString star = st.lengthless > 0 ? QStringLiteral(" *") : QString();
    st.shortestText = secondsText(st.shortestS) + star;
    st.longestText = secondsText(st.longestS) + star;
    st.averageText = secondsText(st.averageS) + star;

    if (records.empty()) {
        st.topYear = st.topGenre = st.artists = kUnknown;
    } else {
        std::vector<QString> years, genres, artists;
        years.reserve(records.size());
        for (const auto& e : records) {
            if (stop()) return false;
            years.push_back(e.year);
            genres.push_back(e.genre.toLower());
            artists.push_back(e.artist.trimmed().toCaseFolded());
        }
        st.topYear = mostFrequent(std::move(years));
        st.topGenre = mostFrequent(std::move(genres));
        std::sort(artists.begin(), artists.end());
        artists.erase(std::unique(artists.begin(), artists.end()), artists.end());
        artists.erase(std::remove(artists.begin(), artists.end(), QString()), artists.end());
        st.artists = QString::number(artists.size());
    }

    static const char* const kTypes[] = {".mp3", ".wav", ".wma", ".ogg"};
    size_t done = 0;
    for (; done < records.size(); ++done) {
        if (stop()) break;
        const QString lower = records[done].fileName.toLower();
        for (size_t t = 0; t < 4; ++t)
            if (lower.endsWith(QLatin1String(kTypes[t]))) ++st.typeCounts[t];
        st.totalKb += records[done].fileSize / 1024;
        if (progress && (done % 1024 == 0))
            progress(int(qint64(done) * 100 / qint64(records.size())));
    }
    st.sizesComplete = done == records.size();
    st.sizesText = QLocale().toString(double(st.totalKb), 'f', 0) + QStringLiteral(" KB (") +
                   QString::asprintf("%.2f GB)", double(st.totalKb) / 1048576.0) +
                   (st.sizesComplete ? QString() : QStringLiteral(" +"));
    return st.sizesComplete;
}

struct StatWorker::Shared {
    std::atomic<bool> stop{false};
    TBaseEntryArr records;
};

StatWorker::StatWorker(TBaseEntryArr snapshot, std::function<void(int)> progressOnMain,
                       std::function<void(const LibraryStats&)> doneOnMain)
    : shared_(std::make_shared<Shared>()), progress_(std::move(progressOnMain)),
      done_(std::move(doneOnMain)) {
    shared_->records = std::move(snapshot);
}

StatWorker::~StatWorker() {
    stop();
    join();
}

void StatWorker::start() {
    if (thread_.joinable()) return;
    auto shared = shared_;
    TimerHost* host = &timerHost();
    thread_ = std::thread([this, shared, host] {
        LibraryStats stats;
        const bool complete = computeStatistics(
            shared->records, stats, [&] { return shared->stop.load(); },
            [&](int pc) {
                host->post([this, shared, pc] {
                    if (!shared->stop && progress_) progress_(pc);
                });
            });
        (void)complete;
        if (!shared->stop)
            host->post([this, shared, stats] {
                if (!shared->stop && done_) done_(stats);
            });
        finished_ = true;
    });
}

void StatWorker::stop() {
    shared_->stop = true;
}

void StatWorker::join() {
    if (thread_.joinable()) thread_.join();
}

} // namespace wc::base
