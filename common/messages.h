#pragma once
// Private window messages between the suite's programs (and an outside watchdog), with the
// numbers every program and peer agrees on.
#include <QtGlobal>

namespace wc {

enum : quint32 {
    MSG_GENERATOR_CLOSE = 0x464,  // player -> generator: close, as if "Закрыть" was pressed
    MSG_GENERATOR_ATTACH = 0x467, // player -> generator: wParam player window, lParam 23
    MSG_LOAD_QUEUE = 0x469,       // library or generator -> player: load a hand-over playlist
    MSG_PING = 0x46A,             // the player answers 10000, the generator 1000
    MSG_TRAY = 0x46B,             // tray icon -> player: lParam is the mouse message
    MSG_ENCODER_PROGRESS = 0x46C, // encoder -> conversion window: 0 maximum, 1 position, 2 done
    MSG_ACTIVATE = 0x46D,         // second start -> first: restore and raise
    MSG_ENGINE_ENDED = 0x46E,     // deck -> player: treated as MSG_ENGINE_EVENT code 1
    MSG_ENGINE_EVENT = 0x478,     // deck -> player: wParam deck, lParam event code
    MSG_WATCHDOG_HEARTBEAT = 0x658,
    MSG_WATCHDOG_PING = 0x659,
    MSG_RUN_COMMAND = 0x680, // player --command -> player: wParam the request's number
};

// Mouse messages carried by MSG_TRAY.
enum : qint64 { TRAY_LEFT_BUTTON_DOWN = 513, TRAY_RIGHT_BUTTON_DOWN = 516 };

constexpr qint64 kPlayerPingAnswer = 10000;
constexpr qint64 kGeneratorPingAnswer = 1000;
constexpr qint64 kGeneratorAttachKey = 23;

// The registered message that announces a change of the per-track store.
inline constexpr const char* kDatabaseMessageName = "Wavecrest_Database_Message";

} // namespace wc
