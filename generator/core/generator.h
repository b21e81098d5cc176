#pragma once
// Playlist generation from the music library after a template: the count mode and the time
// mode (hour signals and commercial blocks at their clock minutes, the gaps between them filled
// with music as closely as the options allow), with rotation items and jingles mixed in by
// counts. UI-free: the window and the unattended mode both drive this class.
#include "common/library/libraryfile.h"
#include "common/random.h"
#include "common/shuffle.h"
#include "generator/core/presets.h"
#include "generator/core/randomtable.h"

#include <QFile>
#include <QSet>
#include <QString>
#include <array>
#include <cstdint>

namespace wc {

// The random sources of one generation: picks from the pool and the stop chances, the jingle
// table, and the rotation order. The program uses one clock-seeded source for all three;
// tests script each on its own.
struct GeneratorRandom {
    RandomSource* pick;
    RandomSource* jingles;
    RandomSource* rotation;
};

// The log of every artist the checks met, open for the life of the generator.
class ArtistLog {
public:
    // Creates (empties) the file; false when it cannot be created.
    bool open(const QString& fileName);
    void rewrite(); // starts it empty again
    void writeLine(const QString& line);
    void flush();
    void close();
    bool isOpen() const { return file_.isOpen(); }
    const QString& fileName() const { return name_; }

private:
    QFile file_;
    QString name_;
};

// The artist log's name for a main log: its extension replaced by " (artist).log".
QString artistLogNameFor(const QString& mainLogName);

// Texts of the generator's message table that generation shows.
struct GeneratorTexts {
    QString notEnoughTracks =
        QStringLiteral("Ошибка при создании плейлиста! (недостаточно треков) ");
    QString errorCaption = QStringLiteral("Ошибка");
};

// What one Generate command came to.
struct GenerationOutcome {
    bool error = false;    // some pass (or the count mode) found too few tracks
    QString writeError;    // why the playlist could not be written; empty when it was
    QString deviationText; // the deviation label of the time mode ("" in the count mode)
    int itemCount = 0;     // items written by this command
    bool ok() const { return !error && writeError.isEmpty(); }
};

// "%.2d:%.2d" of whole minutes and seconds, the sign in front ("-00:30", "-01:30").
QString formatDeviation(double minutes);

// Splits the Step2 words at commas, trims them, drops empty ones.
QStringList commentWords(const QString& text);
// Keeps the records whose lower-cased comment contains one of the lower-cased words, in order.
TBaseEntryArr FilterByComment(const TBaseEntryArr& pool, const QString& words);

// The hour (or minute) number in a file name's characters [from, from + 2): the number there,
// or 0 when it is not a number.
int fileNameNumber(const QString& fileName, int from);

class PlaylistGenerator {
public:
    PlaylistGenerator(GeneratorRandom random, ArtistLog& artistLog);

    void setTemplate(const GeneratorTemplate& t) { tmpl_ = t; }
    void setOptions(const GeneratorOptions& o) { opts_ = clampedOptions(o); }
    void setTexts(const GeneratorTexts& t) { texts_ = t; }
    // The library file the pool is read from at the start of every generation.
    void setLibraryFile(const QString& fileName) { library_ = fileName; }
    void setMainLog(const QString& fileName) { mainLogName_ = fileName; }

    // The Generate command without its file deletions: empties the accepted-artist list and
    // generates into output (the count mode creates it; the time mode appends to it).
    GenerationOutcome Generate(const QString& output);

    // Single modes, for tests and benches. Each reads the pool and the lists first.
    GenerationOutcome GenerateByCount(const QString& output, int wanted);
    GenerationOutcome GenerateByTime(const QString& output, int startHour, int minutes);

    // The last artist verdict and the accepted artists (trimmed, case-folded).
    bool AcceptArtist(const QString& artist);
    void clearAcceptedArtists() { accepted_.clear(); }
    double carriedDeviation() const { return carried_; }

private:
    struct Block {
        QString fileName;
    };
    void preparePool();
    void prepareLists(bool timeMode);
    bool takeable(int index);
    // The same checks for a candidate of the special fitting search, without recording its
    // artist (its line still goes to the artist log).
    bool wouldTake(int index);
    void append(const TBaseEntry& e) { items_.push_back(e); }
    bool appendJingle(); // false when the drawn number is outside the list
    int nextRotation();
    void buildSlots();
    void mainLogWrite(const QString& text);
    bool fill(double& r); // false on the not-enough-tracks error
    // Whether some record may still be taken for a remainder of r minutes, as drawn or
    // through the special fitting search.
    bool anyTrackCouldFit(double r) const;
    // Writes the items after the file's header; false with an error box and *error when the
    // playlist cannot be written.
    bool writeItems(const QString& output, bool append, QString* error);
    void reportError();

    GeneratorRandom random_;
    ArtistLog& artistLog_;
    GeneratorTemplate tmpl_;
    GeneratorOptions opts_;
    GeneratorTexts texts_;
    QString library_;
    QString mainLogName_;

    TBaseEntryArr pool_;
    std::vector<std::uint8_t> used_;
    TBaseEntryArr rotation_, jingles_, clock_;
    std::vector<Block> blocks_;
    ShuffleSequence shuffle_;
    RandomTable table_;
    std::array<std::uint8_t, 1441> slots_{};
    TBaseEntryArr items_;
    QSet<QString> accepted_;
    bool lastVerdict_ = true;
    int rotationPos_ = -1;
    QFile mainLog_;
    double carried_ = 0;
    // Time-mode counters of the current pass.
    int t_ = 0, x_ = 0, g_ = 0, h_ = 0;
};

} // namespace wc
