#include "common/errortext.h"

namespace wc {

QString ErrorText(int error) {
    switch (error) {
    case 2:
        return QStringLiteral("can't open the file");
    case 3:
        return QStringLiteral("can't find a free sound driver");
    case 5:
        return QStringLiteral("invalid handle");
    case 6:
        return QStringLiteral("unsupported sample format");
    case 23:
        return QStringLiteral("illegal device number");
    case 25:
        return QStringLiteral("illegal sample rate");
    case 27:
        return QStringLiteral("the stream is not a file stream");
    case 32:
        return QStringLiteral("no internet connection could be opened");
    case 39:
        return QStringLiteral("a sufficient DirectX version is not installed");
    case 40:
        return QStringLiteral("connection timed out");
    case 41:
        return QStringLiteral("unsupported file format");
    case 42:
        return QStringLiteral("unavailable speaker");
    case 44:
        return QStringLiteral("codec is not available/supported");
    case 2100:
        return QStringLiteral("invalid password");
    case 2101:
        return QStringLiteral("the server address or a stream setting cannot be used");
    default:
        return QStringLiteral("No description");
    }
}

} // namespace wc
