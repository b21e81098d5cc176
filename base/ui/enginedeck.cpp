#include "enginedeck.h"

#include <algorithm>

namespace wc::base {

namespace {
constexpr std::uint32_t kSpeakerRear = 0x2000000;
}

EngineDeck::EngineDeck(int device)
    : deck_([](audio::TAudioEngine&, audio::DeckReport, int) { return 1; }) {
    deck_.InitDevice(device);
}

int EngineDeck::play(const QString& file) {
    deck_.lastError = 0;
    deck_.Open(file, false);
    return deck_.lastError;
}

qint64 EngineDeck::positionMs() const {
    return deck_.PositionMs();
}

void EngineDeck::seekMs(qint64 ms) {
    deck_.SeekMs(int(std::clamp<qint64>(ms, 0, std::max(0, deck_.lengthMs))));
}

void EngineDeck::setRearSpeakers(bool rear) {
    deck_.SetSpeakers(rear ? kSpeakerRear : 0);
}

} // namespace wc::base
