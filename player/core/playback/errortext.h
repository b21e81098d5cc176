#pragma once
// Descriptions of the audio library's error numbers, as shown in the report line of a
// failed start.
#include <QString>

namespace wc {

QString ErrorText(int error);

} // namespace wc
