#pragma once
// Generation templates ("Presets/Generator/<name>.prs") and the generator's tuning options
// ("Lumbra.ini", section Options).
#include <QString>
#include <QStringList>

namespace wc {

// The six steps of a template, as the generator window shows them.
struct GeneratorTemplate {
    // Step1: length.
    int type = 1;        // 1 = a number of tracks, 2 = an amount of time
    int trackCount = 1;  // Type 1 (0..10000)
    int minuteCount = 0; // Type 2 (0..1440)
    int startHour = 1;   // 0..23
    bool isStartTime = false;
    // Step2: choice of tracks.
    int chooseType = 1; // 1 = the whole library, 2 = records whose comment holds a word
    bool dontRepeat = false;
    bool noRepeatArtists = false;
    QString comment; // words for chooseType 2, separated by commas
    // Step3: rotation.
    bool isRotation = false;
    int rotationType = 1; // 1 = shuffled order, 2 = list order
    int rotationEvery = 1;
    QString rotationList;
    // Step4: jingles.
    bool isJingles = false;
    int jingleEvery = 1;
    QString jingleList;
    // Step5: hour signals.
    bool isClock = false;
    QString clockList;
    // Step6: commercial blocks, one M3U file name per line.
    bool isAds = false;
    QStringList adLists;

    // The count of the current type (the field the window shows for it).
    int count() const { return type == 2 ? minuteCount : trackCount; }
    bool operator==(const GeneratorTemplate&) const = default;
};

// Reads a template; a missing file or key gives the defaults. The window's rules apply as the
// controls are set: Type 1 gives the minute count 0, Type 2 the track count 0; DontRepeat and
// NoRepeatArtists exclude each other, NoRepeatArtists (set last) winning.
GeneratorTemplate LoadPreset(const QString& fileName);
// A template as the window's controls hold it: the track count within 0..10000, the minute
// count within 0..1440, the start hour within 0..23, the rotation and jingle intervals within
// 1..100, and every choice one of its buttons (a value other than 2 is the first one).
GeneratorTemplate clampedTemplate(GeneratorTemplate t);
// Writes every key, Step1 to Step6; Count is the count of the current type. The commercial
// list is joined with "?" after each name and cut into 2000-character pieces: Lists, Lists1,
// Lists2, ...; continuation keys of an earlier, longer save are removed. Other lines of an
// existing file are kept. False and *error when the file cannot be written.
bool SavePreset(const QString& fileName, const GeneratorTemplate& t, QString* error = nullptr);

// The "Presets/Generator/" folder of the program directory, with a trailing "/".
QString presetFolder();
// The template loaded at start and by the clear-template command.
QString defaultTemplatePath();
// The preset file for a name typed by the user (unsafe characters dropped).
QString presetPath(const QString& name);
// The preset name a text typed into the preset box stands for: unsafe characters dropped and
// surrounding blanks trimmed. Saving, choosing and deleting all go by it.
QString presetNameFromText(const QString& text);
// The file of the existing preset a typed text names, or empty when there is none (so a name
// typed for saving never loads defaults over the template being edited).
QString existingPresetFile(const QString& text);

// The tuning options, each clamped to its slider's range.
struct GeneratorOptions {
    int minTime = 2;    // 0..5 minutes
    int findTime = 5;   // 0..10 minutes
    int tryCount = 100; // 0..50000
    int findTry = 50;   // 10..100
    int cfadeLen = 0;   // 0..10 seconds
    bool operator==(const GeneratorOptions&) const = default;
};
// Clamps every value into its range.
GeneratorOptions clampedOptions(GeneratorOptions o);
GeneratorOptions ReadGeneratorOptions(const QString& fileName);
bool WriteGeneratorOptions(const QString& fileName, const GeneratorOptions& o,
                           QString* error = nullptr);
// "Lumbra.ini" in the program directory.
QString generatorOptionsPath();
// TryCount as the window shows it: thousands with one decimal ("2.5K").
QString tryCountText(int tryCount);

} // namespace wc
