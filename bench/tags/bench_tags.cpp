// How fast tags are read from many files and saved into large ones: the suite's own readers
// (ID3v1, Ogg Vorbis, WMA) and, in the same run, TagLib's (FLAC, Opus, MP4, an MP3's ID3v2).
//
// 10,000 small files per format are generated with the command-line encoders and read once
// before timing, so the cache is warm. Each reading benchmark goes through all of them in
// turn; the figures are files per second and ratios against two references measured in the
// same run: "bare reads" (open, the reads every tag reader needs at least, close) and, when
// built with FFmpeg, "avformat probe" (opening the file as a container, which reads its tags
// and stream parameters). Saves run on 10 MB files made the same way.
#include "common/tags/asf.h"
#include "common/tags/ogg.h"
#include "common/tags/trackinfo.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#ifdef WC_BENCH_AVFORMAT
extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}
#endif

namespace {

constexpr int kFiles = 10000;

QTemporaryDir& scratch() {
    static QTemporaryDir dir;
    return dir;
}

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One encoded seed per format, copied kFiles times with a different title in each copy.
std::map<std::string, std::vector<QString>>& fileSets() {
    static std::map<std::string, std::vector<QString>> sets;
    return sets;
}

void makeSet(const std::string& ext, const QString& seed) {
    const QByteArray bytes = readAll(seed);
    if (bytes.isEmpty()) return;
    const QString dir = scratch().filePath(QString::fromStdString(ext));
    QDir().mkpath(dir);
    auto& list = fileSets()[ext];
    for (int i = 0; i < kFiles; ++i) {
        const QString path = QString("%1/%2.%3").arg(dir).arg(i).arg(QString::fromStdString(ext));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return;
        f.write(bytes);
        f.close();
        list.push_back(path);
    }
    // Different tags per file for MP3: write each its own ID3v1 block.
    if (ext == "mp3")
        for (int i = 0; i < kFiles; ++i) {
            wc::TrackTag t;
            wc::clearTag(t);
            wc::setTagMarker(t, "TAG");
            wc::setTagText(t, wc::TagField::Title, QString("Title %1").arg(i));
            wc::setTagText(t, wc::TagField::Artist, QString::fromUtf8("Исполнитель"));
            wc::WriteTrackTag(list[size_t(i)], t, 17);
        }
    for (const QString& p : list)
        readAll(p); // warm the cache
}

bool prepare() {
    const QString d = scratch().path();
    const QString wav = d + "/seed.wav";
    if (!run("sox",
             {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "0.5", "sine", "440"}))
        return false;
    run("lame", {"--quiet", "-b", "128", wav, d + "/seed.mp3"});
    run("oggenc", {"--quiet", "-q", "4", "-t", "Title", "-a", "Artist", "-l", "Album", "-o",
                   d + "/seed.ogg", wav});
    run("ffmpeg", {"-nostdin", "-v", "error", "-i", wav, "-c:a", "wmav2", "-b:a", "128k",
                   "-metadata", "title=Title", "-metadata", "artist=Artist", d + "/seed.wma"});
    // The formats read through TagLib, with the same texts.
    const QStringList meta{"-metadata", "title=Title",     "-metadata", "artist=Artist",
                           "-metadata", "album=Album",     "-metadata", "date=2001",
                           "-metadata", "comment=Comment", "-metadata", "genre=Rock"};
    auto ffmpeg = [&](const QStringList& codec, const QString& out) {
        run("ffmpeg", QStringList{"-nostdin", "-v", "error", "-i", wav} << codec << meta << out);
    };
    ffmpeg({"-c:a", "flac"}, d + "/seed.flac");
    ffmpeg({"-c:a", "libopus", "-b:a", "96k"}, d + "/seed.opus");
    ffmpeg({"-c:a", "aac", "-b:a", "128k"}, d + "/seed.m4a");
    run("lame", {"--quiet", "-b", "128", "--id3v2-only", "--tt", "Title", "--ta", "Artist", "--tl",
                 "Album", "--ty", "2001", wav, d + "/seed.v2.mp3"});
    makeSet("mp3", d + "/seed.mp3");
    makeSet("ogg", d + "/seed.ogg");
    makeSet("wma", d + "/seed.wma");
    makeSet("flac", d + "/seed.flac");
    makeSet("opus", d + "/seed.opus");
    makeSet("m4a", d + "/seed.m4a");
    makeSet("v2.mp3", d + "/seed.v2.mp3");
    // 10 MB files for the saves.
    const QString noise = d + "/long.wav";
    run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", noise, "synth", "480", "whitenoise"});
    run("oggenc", {"--quiet", "-q", "6", "-t", "Long", "-o", d + "/big.ogg", noise});
    run("ffmpeg", {"-nostdin", "-v", "error", "-i", noise, "-t", "450", "-c:a", "wmav2", "-b:a",
                   "192k", "-metadata", "title=Long", d + "/big.wma"});
    run("ffmpeg", {"-nostdin", "-v", "error", "-i", noise, "-t", "100", "-c:a", "flac", "-metadata",
                   "title=Long", d + "/big.flac"});
    QFile::remove(noise);
    return true;
}

void readFiles(benchmark::State& state, const std::string& ext, bool info) {
    const auto& files = fileSets()[ext];
    if (files.empty()) {
        state.SkipWithError("no files (encoder missing)");
        return;
    }
    size_t i = 0;
    int tagged = 0;
    QString line;
    for (auto _ : state) {
        wc::TrackTag t;
        tagged += wc::ReadTrackTag(files[i], t, info ? &line : nullptr);
        if (++i == files.size()) i = 0;
    }
    benchmark::DoNotOptimize(tagged);
    state.SetItemsProcessed(state.iterations());
}

void BM_Mp3Tag(benchmark::State& s) {
    readFiles(s, "mp3", false);
}
void BM_Mp3TagAndInfo(benchmark::State& s) {
    readFiles(s, "mp3", true);
}
void BM_OggTagAndInfo(benchmark::State& s) {
    readFiles(s, "ogg", true);
}
void BM_WmaTagAndInfo(benchmark::State& s) {
    readFiles(s, "wma", true);
}
void BM_FlacTag(benchmark::State& s) {
    readFiles(s, "flac", false);
}
void BM_OpusTag(benchmark::State& s) {
    readFiles(s, "opus", false);
}
void BM_M4aTag(benchmark::State& s) {
    readFiles(s, "m4a", false);
}
void BM_FlacTagAndInfo(benchmark::State& s) {
    readFiles(s, "flac", true);
}
void BM_OpusTagAndInfo(benchmark::State& s) {
    readFiles(s, "opus", true);
}
void BM_M4aTagAndInfo(benchmark::State& s) {
    readFiles(s, "m4a", true);
}
void BM_Mp3Id3v2Tag(benchmark::State& s) {
    readFiles(s, "v2.mp3", false);
}

// The floor: opening each file, reading its first 4 KB and its last 128 bytes, closing.
void BM_BareReads(benchmark::State& state) {
    const auto& files = fileSets()["mp3"];
    if (files.empty()) {
        state.SkipWithError("no files");
        return;
    }
    std::vector<QByteArray> names;
    for (const QString& f : files)
        names.push_back(QFile::encodeName(f));
    char buf[4096];
    size_t i = 0;
    for (auto _ : state) {
        const int fd = ::open(names[i].constData(), O_RDONLY);
        const off_t end = ::lseek(fd, 0, SEEK_END);
        benchmark::DoNotOptimize(::pread(fd, buf, sizeof buf, 0));
        benchmark::DoNotOptimize(::pread(fd, buf, 128, end - 128));
        ::close(fd);
        if (++i == names.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

#ifdef WC_BENCH_AVFORMAT
void probe(benchmark::State& state, const std::string& ext) {
    const auto& files = fileSets()[ext];
    if (files.empty()) {
        state.SkipWithError("no files");
        return;
    }
    av_log_set_level(AV_LOG_QUIET);
    std::vector<QByteArray> names;
    for (const QString& f : files)
        names.push_back(QFile::encodeName(f));
    size_t i = 0;
    for (auto _ : state) {
        AVFormatContext* ctx = nullptr;
        if (avformat_open_input(&ctx, names[i].constData(), nullptr, nullptr) == 0) {
            benchmark::DoNotOptimize(av_dict_count(ctx->metadata));
            avformat_close_input(&ctx);
        }
        if (++i == names.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
void BM_AvformatProbeMp3(benchmark::State& s) {
    probe(s, "mp3");
}
void BM_AvformatProbeOgg(benchmark::State& s) {
    probe(s, "ogg");
}
void BM_AvformatProbeWma(benchmark::State& s) {
    probe(s, "wma");
}
void BM_AvformatProbeFlac(benchmark::State& s) {
    probe(s, "flac");
}
void BM_AvformatProbeOpus(benchmark::State& s) {
    probe(s, "opus");
}
void BM_AvformatProbeM4a(benchmark::State& s) {
    probe(s, "m4a");
}
#endif

// A save on a 10 MB file. grow=false changes the title only (the header pages keep their
// number); grow=true adds a 100 KB comment, so every later Ogg page is renumbered.
void save(benchmark::State& state, const QString& ext, bool grow) {
    const QString seed = scratch().filePath("big." + ext);
    if (!QFile::exists(seed)) {
        state.SkipWithError("no 10 MB file (encoder missing)");
        return;
    }
    const QString path = scratch().filePath("work." + ext);
    QFile::remove(path);
    QFile::copy(seed, path);
    state.counters["MB"] = double(QFileInfo(path).size()) / 1e6;
    int n = 0;
    for (auto _ : state) {
        bool ok = false;
        if (ext == "ogg") {
            wc::TOggVorbis o;
            o.readFromFile(path);
            o.title = QString("Title %1").arg(n);
            o.otherComments.clear();
            if (grow && n % 2 == 0) o.otherComments.append("PAD=" + QByteArray(100000, 'p'));
            ok = o.saveTag(path).ok;
        } else {
            wc::TrackTag t;
            wc::ReadTrackTag(path, t);
            wc::setTagText(t, wc::TagField::Title, QString("Title %1").arg(n));
            ok = wc::WriteTrackTag(path, t, 0).ok;
        }
        if (!ok) state.SkipWithError("save failed");
        ++n;
    }
    state.SetItemsProcessed(state.iterations());
}
void BM_OggSave10MB(benchmark::State& s) {
    save(s, "ogg", false);
}
void BM_OggSave10MBRepaginated(benchmark::State& s) {
    save(s, "ogg", true);
}
void BM_WmaSave10MB(benchmark::State& s) {
    save(s, "wma", false);
}
void BM_FlacSave10MB(benchmark::State& s) {
    save(s, "flac", false);
}

// Collects files per second (or milliseconds per save) to print the summary and ratios.
class Summary : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> rate, ms;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.error_occurred) continue;
            const auto it = r.counters.find("items_per_second");
            if (it != r.counters.end()) rate[r.run_name.function_name] = it->second;
            if (r.iterations > 0)
                ms[r.run_name.function_name] =
                    r.real_accumulated_time * 1000 / double(r.iterations);
        }
    }
};

} // namespace

BENCHMARK(BM_BareReads)->MinTime(1.0);
BENCHMARK(BM_Mp3Tag)->MinTime(1.0);
BENCHMARK(BM_Mp3TagAndInfo)->MinTime(1.0);
BENCHMARK(BM_OggTagAndInfo)->MinTime(1.0);
BENCHMARK(BM_WmaTagAndInfo)->MinTime(1.0);
BENCHMARK(BM_FlacTag)->MinTime(1.0);
BENCHMARK(BM_OpusTag)->MinTime(1.0);
BENCHMARK(BM_M4aTag)->MinTime(1.0);
BENCHMARK(BM_FlacTagAndInfo)->MinTime(1.0);
BENCHMARK(BM_OpusTagAndInfo)->MinTime(1.0);
BENCHMARK(BM_M4aTagAndInfo)->MinTime(1.0);
BENCHMARK(BM_Mp3Id3v2Tag)->MinTime(1.0);
#ifdef WC_BENCH_AVFORMAT
BENCHMARK(BM_AvformatProbeMp3)->MinTime(1.0);
BENCHMARK(BM_AvformatProbeOgg)->MinTime(1.0);
BENCHMARK(BM_AvformatProbeWma)->MinTime(1.0);
BENCHMARK(BM_AvformatProbeFlac)->MinTime(1.0);
BENCHMARK(BM_AvformatProbeOpus)->MinTime(1.0);
BENCHMARK(BM_AvformatProbeM4a)->MinTime(1.0);
#endif
BENCHMARK(BM_OggSave10MB)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_OggSave10MBRepaginated)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_WmaSave10MB)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_FlacSave10MB)->Unit(benchmark::kMillisecond)->Iterations(20);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::printf("Generating %d files per format and three 10 MB files...\n", kFiles);
    if (!prepare()) {
        std::printf("sox is missing: nothing to measure\n");
        return 1;
    }
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);

    auto rate = [&](const char* n) {
        const auto it = summary.rate.find(n);
        return it == summary.rate.end() ? 0.0 : it->second;
    };
    const double bare = rate("BM_BareReads");
    std::printf("\nFiles per second (target) and ratio to the references\n");
    struct Line {
        const char *name, *what, *ref;
        double target;
    };
    const Line lines[] = {
        {"BM_Mp3Tag", "MP3 tag", "BM_AvformatProbeMp3", 10000},
        {"BM_Mp3TagAndInfo", "MP3 tag + MPEG info", "BM_AvformatProbeMp3", 5000},
        {"BM_OggTagAndInfo", "Ogg tag + info", "BM_AvformatProbeOgg", 3000},
        {"BM_WmaTagAndInfo", "WMA tag + info", "BM_AvformatProbeWma", 3000},
        // Through TagLib
        {"BM_FlacTag", "FLAC tag (TagLib)", "BM_AvformatProbeFlac", 3000},
        {"BM_OpusTag", "Opus tag (TagLib)", "BM_AvformatProbeOpus", 3000},
        {"BM_M4aTag", "M4A tag (TagLib)", "BM_AvformatProbeM4a", 3000},
        {"BM_FlacTagAndInfo", "FLAC tag + info", "BM_AvformatProbeFlac", 3000},
        {"BM_OpusTagAndInfo", "Opus tag + info", "BM_AvformatProbeOpus", 3000},
        {"BM_M4aTagAndInfo", "M4A tag + info", "BM_AvformatProbeM4a", 3000},
        {"BM_Mp3Id3v2Tag", "MP3 ID3v2 only", "BM_AvformatProbeMp3", 3000},
    };
    for (const Line& l : lines) {
        const double r = rate(l.name), ref = rate(l.ref);
        std::printf("  %-22s %9.0f/s (>= %5.0f)  %5.2fx bare reads", l.what, r, l.target,
                    bare > 0 ? r / bare : 0.0);
        if (ref > 0) std::printf("  %6.1fx avformat probe", r / ref);
        std::printf("\n");
    }
    std::printf("Save on a 10 MB file, ms (target < 150)\n");
    for (const char* n :
         {"BM_OggSave10MB", "BM_OggSave10MBRepaginated", "BM_WmaSave10MB", "BM_FlacSave10MB"}) {
        const auto it = summary.ms.find(n);
        if (it != summary.ms.end()) std::printf("  %-26s %7.1f ms\n", n + 3, it->second);
    }
    benchmark::Shutdown();
    return 0;
}
