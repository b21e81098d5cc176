#pragma once
// The crossfade controls: the music entry's mix, fade and fade-in with their switches, the
// mix and fade of one item type chosen in the type list, and the crossfade presets. The
// window shows values() and reports every change; the table lives in the profile.
#include "player/core/profile/crossfade.h"

#include <QString>
#include <QStringList>

namespace wc {

struct CrossfadeControlValues {
    // Music entry: cbmusmix/musmix, cbmusfade/musfade, cbmusfadein/musin (seconds).
    float musMix = 0, musFade = 0, musIn = 0;
    bool musMixOn = false, musFadeOn = false, musInOn = false;
    // The type chosen in cbFileType (list position 0..9 = entry 2..11): cbjinmix/jinmix,
    // cbjinfade/jinfade.
    int typePos = 0;
    float jinMix = 0, jinFade = 0;
    bool jinMixOn = false, jinFadeOn = false;
    bool operator==(const CrossfadeControlValues&) const = default;
};

class CrossfadeControls {
public:
    // presetFolder: "Presets/Crossfade" in the program folder.
    CrossfadeControls(CrossfadeTable& table, QString presetFolder);

    const CrossfadeControlValues& values() const { return values_; }
    // Any control changed: all six music values and the chosen type's values go into the
    // table (each limited to 0..10 s in steps of 0.1).
    void controlsChanged(const CrossfadeControlValues& v);
    // Another type chosen in the list: only its values are loaded into the controls.
    const CrossfadeControlValues& typeChosen(int pos);

    QStringList presets() const { return presets_.list(); }
    // Loads the preset into the table when it exists (false otherwise, nothing changes).
    bool choosePreset(const QString& name);
    // Saves the table under the typed name (characters a file name cannot hold removed);
    // returns the name used, "" on failure.
    QString savePreset(const QString& typedName);
    bool deletePreset(const QString& name);
    const QString& presetName() const { return presetName_; }
    // The table was replaced (a profile was loaded): the controls show it again, with the
    // type chosen so far and the preset name that came with the table.
    void tableReplaced(const QString& presetName);

private:
    void loadFromTable();

    CrossfadeTable& table_;
    CrossfadePresets presets_;
    CrossfadeControlValues values_;
    QString presetName_;
};

} // namespace wc
