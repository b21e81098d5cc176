#pragma once
// Message numbers the test peer understands.
#include <QtGlobal>

namespace wc::peer {

constexpr quint32 kAdd = 0x401;        // answers wParam + lParam
constexpr quint32 kSetCaption = 0x402; // caption becomes "caption-<wParam>"
constexpr quint32 kSendTo = 0x403;     // (posted) sends kAdd 7, 8 to window wParam, prints RESULT
constexpr quint32 kRelay = 0x404;      // answers 1000 + (kAdd lParam, 1 sent to window wParam)
constexpr quint32 kQuit = 0x405;
constexpr quint32 kDie = 0x407;          // the peer ends at once, without answering
constexpr quint32 kPostThenSend = 0x406; // posts kAdd 1, 1 to window wParam, then sends kAdd 2, 2
                                         // to it and answers what that send answered

} // namespace wc::peer
