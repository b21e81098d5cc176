#pragma once
// Live inputs as sources. A capture device's callback writes into a lock-free ring that the
// render thread reads; neither waits for the other (an empty ring gives silence, a full one
// drops the newest input).
#include "audio/source.h"

#include <QStringList>
#include <memory>

namespace wc::audio {

// Recording device n: 0 is the system's default input, then every other input device.
// nullptr and *error when it does not exist or cannot be opened.
std::unique_ptr<Source> makeCaptureSource(int device, int* error);
// An input that is always silent (for the manual output in tests).
std::unique_ptr<Source> makeSilentInput();

} // namespace wc::audio
