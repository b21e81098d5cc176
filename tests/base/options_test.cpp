// "Base.ini": defaults, ranges and the binary layouts of Colors and ColWidth.
#include "base/core/baseoptions.h"
#include "basefixture.h"

#include <gtest/gtest.h>

using namespace wc;
using namespace wc::base;

TEST(BaseOptions, DefaultsWhenNothingIsStored) {
    const BaseOptions o = readBaseOptions(IniFile());
    EXPECT_TRUE(o.noEmpty && o.noError && o.checkTimeOnce && o.parseFileName && o.quickSearch &&
                o.countTime && o.sendToMain);
    EXPECT_FALSE(o.overwriteOnCopy || o.openLastBase || o.tagNoChangeGenre);
    EXPECT_EQ(o.volume, 100);
    EXPECT_EQ(o.monType, 3);
    EXPECT_EQ(o.sendPosition, 1);
    EXPECT_EQ(o.colors, (std::array<quint32, 4>{0x000000, 0x000080, 0x800000, 0x008000}));
    EXPECT_EQ(o.columnWidths, kDefaultColumnWidths);
    EXPECT_EQ(o.counterColor, 0x80u);
    EXPECT_EQ(o.lastBaseName, "---");
    EXPECT_FALSE(o.windowPos.has_value());
}

TEST(BaseOptions, ReadsStoredValuesAndIgnoresWhatIsOutOfRange) {
    IniFile ini;
    ini.parse("[Options]\nNoEmpty=0\nVolume=40\nMonType=7\nSPPos=3\nSPList=0\n"
              "Colors=FF0000000000FF0000FF000012345678\n"
              "ColWidth=010000000A000000FFFFFFFF\nColor1=255\n"
              "[Font]\nName=Sans\nSize=11\nStyle=6\n[Data]\nLastBaseName=/srv/a.dfs\n"
              "[WindowPos]\nX=5\nY=6\nW=0\nH=10\n");
    const BaseOptions o = readBaseOptions(ini);
    EXPECT_FALSE(o.noEmpty);
    EXPECT_EQ(o.volume, 40);
    EXPECT_EQ(o.monType, 3); // 7 is no output type
    EXPECT_EQ(o.sendPosition, 3);
    EXPECT_FALSE(o.sendToMain);
    EXPECT_EQ(o.colors, (std::array<quint32, 4>{0xFF, 0xFF0000, 0xFF00, 0x563412}));
    EXPECT_EQ(o.columnWidths[0], 10);
    EXPECT_EQ(o.columnWidths[1], 160); // -1 is no width
    EXPECT_EQ(o.columnWidths[2], 160); // not stored: the rest stay
    EXPECT_EQ(o.counterColor, 255u);
    EXPECT_EQ(o.fontName, "Sans");
    EXPECT_EQ(o.fontSize, 11);
    EXPECT_EQ(o.fontStyle, 6);
    EXPECT_EQ(o.lastBaseName, "/srv/a.dfs");
    EXPECT_FALSE(o.windowPos.has_value()); // a width of 0 is no position
    // A first ColWidth value of 0 leaves every width at its default.
    IniFile zero;
    zero.parse("[Options]\nColWidth=000000000A000000\n");
    EXPECT_EQ(readBaseOptions(zero).columnWidths, kDefaultColumnWidths);
}

TEST(BaseOptions, WrittenOptionsReadBackAndColWidthHas88Bytes) {
    BaseOptions o;
    o.noError = false;
    o.volume = 0;
    o.monType = 0;
    o.sendPosition = 2;
    o.colors = {1, 2, 3, 0xFFFFFF};
    o.columnWidths = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    o.fontName = "Mono";
    o.fontSize = 14;
    o.lastBaseName = "/x/y.dfs";
    o.windowPos = std::array<int, 4>{-3, 4, 640, 480};
    IniFile ini;
    writeBaseOptions(o, ini);
    EXPECT_EQ(ini.readBinary("Options", "ColWidth").size(), 88);
    EXPECT_EQ(ini.value("Options", "ColWidth")->left(16), "0100000001000000");
    EXPECT_EQ(ini.value("Options", "SPPos"), "2");
    EXPECT_FALSE(ini.hasKey("Options", "Color1"));
    IniFile again;
    again.parse(ini.serialize());
    EXPECT_EQ(readBaseOptions(again), o);
}
