#include "devices/devicelist.h"

namespace wc {

QString deviceListText(const QStringList& descriptions, const QString& lineEnd) {
    QString text;
    for (qsizetype n = 0; n < descriptions.size(); ++n)
        text += QString::number(n) + QStringLiteral(":  ") + descriptions[n] + lineEnd;
    return text;
}

} // namespace wc
