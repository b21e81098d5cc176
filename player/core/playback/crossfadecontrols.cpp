#include "player/core/playback/crossfadecontrols.h"

#include <algorithm>
#include <cmath>

namespace wc {

namespace {

float control(float seconds) {
    return float(std::lround(std::clamp(seconds, 0.0f, 10.0f) * 10.0f)) / 10.0f;
}

CrossfadeEntry& typeEntry(CrossfadeTable& t, int pos) {
    return t.entries[std::size_t(std::clamp(pos, 0, 9) + 2)];
}

} // namespace

CrossfadeControls::CrossfadeControls(CrossfadeTable& table, QString presetFolder)
    : table_(table), presets_(std::move(presetFolder)) {
    loadFromTable();
}

void CrossfadeControls::loadFromTable() {
    const CrossfadeEntry& m = table_.entries[CrossfadeTable::kMusicEntry];
    values_.musMix = m.mix;
    values_.musFade = m.fade;
    values_.musIn = m.fadeIn;
    values_.musMixOn = m.mixOn;
    values_.musFadeOn = m.fadeOn;
    values_.musInOn = m.fadeInOn;
    const CrossfadeEntry& t = typeEntry(table_, values_.typePos);
    values_.jinMix = t.mix;
    values_.jinFade = t.fade;
    values_.jinMixOn = t.mixOn;
    values_.jinFadeOn = t.fadeOn;
}

void CrossfadeControls::controlsChanged(const CrossfadeControlValues& v) {
    values_ = v;
    values_.typePos = std::clamp(v.typePos, 0, 9);
    for (float* f :
         {&values_.musMix, &values_.musFade, &values_.musIn, &values_.jinMix, &values_.jinFade})
        *f = control(*f);
    CrossfadeEntry& m = table_.entries[CrossfadeTable::kMusicEntry];
    m.mix = values_.musMix;
    m.fade = values_.musFade;
    m.fadeIn = values_.musIn;
    m.mixOn = values_.musMixOn;
    m.fadeOn = values_.musFadeOn;
    m.fadeInOn = values_.musInOn;
    CrossfadeEntry& t = typeEntry(table_, values_.typePos);
    t.mix = values_.jinMix;
    t.fade = values_.jinFade;
    t.mixOn = values_.jinMixOn;
    t.fadeOn = values_.jinFadeOn;
}

const CrossfadeControlValues& CrossfadeControls::typeChosen(int pos) {
    values_.typePos = std::clamp(pos, 0, 9);
    const CrossfadeEntry& t = typeEntry(table_, values_.typePos);
    values_.jinMix = t.mix;
    values_.jinFade = t.fade;
    values_.jinMixOn = t.mixOn;
    values_.jinFadeOn = t.fadeOn;
    return values_;
}

bool CrossfadeControls::choosePreset(const QString& name) {
    CrossfadeTable loaded = table_;
    if (!presets_.load(name, loaded)) return false;
    table_ = loaded;
    loadFromTable();
    presetName_ = name;
    return true;
}

void CrossfadeControls::tableReplaced(const QString& presetName) {
    loadFromTable();
    presetName_ = presetName;
}

QString CrossfadeControls::savePreset(const QString& typedName) {
    const QString used = presets_.save(typedName, table_);
    if (!used.isEmpty()) presetName_ = used;
    return used;
}

bool CrossfadeControls::deletePreset(const QString& name) {
    const bool ok = presets_.remove(name);
    presetName_.clear();
    return ok;
}

} // namespace wc
