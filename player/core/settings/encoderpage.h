#pragma once
// What the Encoder page of the Preferences window edits: the profile's Encoder section (output
// folder, preset index and name, command line, extension, the show-before-encoding switch) and
// the encoder preset file. The page works on copies; OK applies them to the profile and
// rewrites the preset file, Cancel drops them.
#include "player/core/profile/profile.h"
#include "player/core/settings/encoderpresets.h"

namespace wc {

class EncoderPage {
public:
    // presetFile: "Presets/Encoder.prs" in the program folder.
    explicit EncoderPage(QString presetFile);

    // Fills the page from the profile and reads the preset file. A file that cannot be read
    // shows the error box and leaves the list empty and not to be saved; a missing one is an
    // empty list. The profile's preset index is chosen when it names a preset.
    void fill(const TProfile& profile);

    // The fields as the page shows them.
    QString outDir;
    QString name;
    QString command;
    QString ext;
    bool showParam = false;

    const TEncoderPresets& presets() const { return presets_; }
    // Whether the preset file was read (or is missing) when the page was filled: only then
    // can presets be added, saved and deleted, and is the file written on OK.
    bool presetsLoaded() const { return loaded_; }
    // The chosen preset's index, -1 when none.
    int chosen() const { return chosen_; }

    // Chooses a preset and fills the name, command and extension from it; an index outside
    // the list chooses none and leaves the fields.
    void choose(int index);
    // "Add": appends a preset made from the fields and chooses it (not with an empty name).
    // Typed names lose the characters that preset names never hold (" * / < > ? \ |).
    bool add();
    // "Save": overwrites the chosen preset with the fields (the name cleaned as for Add).
    bool save();
    // "Del": removes the chosen preset; none is chosen afterwards.
    bool remove();

    // OK: the fields into the profile's Encoder section.
    void apply(TProfile& profile) const;
    // OK: rewrites the preset file when it was loaded. False with *error when writing failed.
    bool savePresets(QString* error = nullptr) const;

    static QString loadErrorCaption() { return QStringLiteral("Error: Settings.Show"); }
    static QString loadErrorText() { return QStringLiteral("ERROR: Cannot load encoder presets!"); }

private:
    QString file_;
    TEncoderPresets presets_;
    bool loaded_ = false;
    int chosen_ = -1;
};

} // namespace wc
