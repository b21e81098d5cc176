#pragma once
// The library program's settings file "Base.ini": options that steer adding, measuring,
// copying, searching and pre-listening, the list layout and the last library.
#include "common/ini.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace wc::base {

inline constexpr int kColumnCount = 9;
inline constexpr std::array<int, kColumnCount> kDefaultColumnWidths{160, 160, 160, 44, 70,
                                                                    160, 60,  650, 30};

struct BaseOptions {
    bool noEmpty = true;
    bool noError = true;
    bool checkTimeOnce = true;
    bool overwriteOnCopy = false;
    bool openLastBase = false;
    bool parseFileName = true;
    bool tagNoChangeGenre = false;
    bool quickSearch = true;
    bool countTime = true;
    int volume = 100; // 0..100
    int monType = 3;  // 0 left, 1 rear, 2 second device, 3 normal
    bool sendToMain = true;
    int sendPosition = 1; // 1 end, 2 after the playing track, 3 after the cursor
    // Row colours 0x00BBGGRR for ".mp3" and others, ".wma", ".ogg", ".wav".
    std::array<quint32, 4> colors{0x000000, 0x000080, 0x800000, 0x008000};
    std::array<int, kColumnCount> columnWidths = kDefaultColumnWidths;
    quint32 counterColor = 0x000080;
    QString fontName; // empty: the list's own font
    int fontSize = 0; // 0: the list's own size
    int fontStyle = 0;
    QString lastBaseName = QStringLiteral("---");
    std::optional<std::array<int, 4>> windowPos; // x, y, w, h when stored

    bool operator==(const BaseOptions&) const = default;
};

// Reads the options; a missing key or a value out of range gives the default.
BaseOptions readBaseOptions(const IniFile& ini);
// Stores every option (Color1 is only read, never written).
void writeBaseOptions(const BaseOptions& options, IniFile& ini);

// The file in the program folder.
QString baseIniPath();

} // namespace wc::base
