#pragma once
// Descriptions of the audio library's error numbers, as shown in the report line of a failed
// start and in the library window's preview error box.
#include <QString>

namespace wc {

QString ErrorText(int error);

} // namespace wc
