#pragma once
// The names the cross-process writer uses, shared with the test that checks its work.
#include <QString>

namespace wc::test {

constexpr int kSharedNames = 5;

inline QString sharedName(int round) {
    return QStringLiteral("/Shared/Track %1.MP3").arg(round % kSharedNames);
}
inline QString ownName(int writer, int round) {
    return QStringLiteral("/Own/%1/Track %2.mp3").arg(writer).arg(round);
}
// The round whose own record is deleted in this round, or -1.
inline int deletedAt(int round) {
    return round >= 3 && (round - 3) % 7 == 0 ? round - 3 : -1;
}

} // namespace wc::test
