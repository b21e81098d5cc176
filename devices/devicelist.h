#pragma once
// The text of the device list: one line per output device, "n:  description", in the order
// and with the numbers the audio library gives them (the numbers the settings use).
#include <QString>
#include <QStringList>

namespace wc {

QString deviceListText(const QStringList& descriptions, const QString& lineEnd);

} // namespace wc
