#include "player/core/settings/encoderpage.h"

#include "common/log.h"
#include "common/playlistfile/m3u.h"
#include "platform/prompts.h"

namespace wc {

EncoderPage::EncoderPage(QString presetFile) : file_(std::move(presetFile)) {}

void EncoderPage::fill(const TProfile& profile) {
    outDir = profile.EncoderOutDir;
    name = profile.EncoderPresetName;
    command = profile.EncoderCommand;
    ext = profile.EncoderExt;
    showParam = profile.EncoderShowParam;
    PresetReadStatus status = PresetReadStatus::Ok;
    QString why;
    presets_ = readEncoderPresetFile(file_, &status, &why);
    loaded_ = status != PresetReadStatus::Unreadable;
    chosen_ = -1;
    if (!loaded_) {
        logLine(QStringLiteral("Encoder presets %1 cannot be read: %2").arg(file_, why));
        prompts().notify(PromptKind::Error, loadErrorCaption(), loadErrorText());
        return;
    }
    if (profile.EncoderPresetIndex >= 0 && profile.EncoderPresetIndex < int(presets_.size()))
        chosen_ = profile.EncoderPresetIndex;
}

void EncoderPage::choose(int index) {
    if (index < 0 || index >= int(presets_.size())) {
        chosen_ = -1;
        return;
    }
    chosen_ = index;
    const TEncoderPreset& p = presets_[size_t(index)];
    name = p.name;
    command = p.command;
    ext = p.ext;
}

bool EncoderPage::add() {
    name = stripUnsafePresetChars(name);
    if (!loaded_ || name.trimmed().isEmpty()) return false;
    presets_.push_back({name, command, ext});
    chosen_ = int(presets_.size()) - 1;
    return true;
}

bool EncoderPage::save() {
    if (!loaded_ || chosen_ < 0) return false;
    name = stripUnsafePresetChars(name);
    presets_[size_t(chosen_)] = {name, command, ext};
    return true;
}

bool EncoderPage::remove() {
    if (!loaded_ || chosen_ < 0) return false;
    presets_.erase(presets_.begin() + chosen_);
    chosen_ = -1;
    return true;
}

void EncoderPage::apply(TProfile& profile) const {
    profile.EncoderOutDir = outDir;
    profile.EncoderPresetIndex = chosen_;
    profile.EncoderPresetName = name;
    profile.EncoderCommand = command;
    profile.EncoderExt = ext;
    profile.EncoderShowParam = showParam;
}

bool EncoderPage::savePresets(QString* error) const {
    if (!loaded_) return true;
    QString why;
    if (writeEncoderPresetFile(file_, presets_, &why)) return true;
    logLine(QStringLiteral("Encoder presets cannot be saved: %1").arg(why));
    if (error) *error = why;
    return false;
}

} // namespace wc
