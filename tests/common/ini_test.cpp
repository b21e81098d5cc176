#include "common/ini.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace wc;

TEST(IniParse, NamesAreCaseInsensitiveAndFirstOccurrenceWins) {
    IniFile ini;
    ini.parse("junk before sections\r\n[Options]\r\n Key = first \r\nKEY=second\r\n"
              "[options]\r\nOther=hidden\r\n[Quoted]\r\nA=\"  spaced  \"\r\nB='x'\r\nC=\"open\r\n");
    EXPECT_EQ(ini.readString("OPTIONS", "key", "d"), "first");
    // A second section of the same name is not looked at.
    EXPECT_EQ(ini.readString("Options", "Other", "d"), "d");
    EXPECT_EQ(ini.readString("quoted", "a", "d"), "  spaced  ");
    EXPECT_EQ(ini.readString("quoted", "b", "d"), "x");
    EXPECT_EQ(ini.readString("quoted", "c", "d"), "\"open");
    EXPECT_EQ(ini.readString("Missing", "key", "d"), "d");
}

TEST(IniParse, ValuesAreCutAt2047Characters) {
    IniFile ini;
    ini.parse("[S]\nLong=" + QString(3000, u'x') + "\nCyr=" + QString(2100, QChar(0x0416)) + "\n");
    EXPECT_EQ(ini.readString("S", "Long", "").size(), 2047);
    EXPECT_EQ(ini.readString("S", "Cyr", "").size(), 2047);
}

TEST(IniValues, IntegersBooleansAndFloats) {
    struct Case {
        const char* text;
        qint32 asInt; // with default 7
        bool asBool;  // with default false
    };
    const Case cases[] = {
        {"42", 42, true},
        {"-17", -17, true},
        {"$1F", 31, true},
        {"0x1f", 31, true},
        {"0X10", 16, true},
        {"$FFFFFFFF", -1, true},
        {"2", 2, true},
        {"-1", -1, true},
        {"0", 0, false},
        {"yes", 7, false},
        {"", 7, false},
        {"12abc", 7, false},
        {"2147483647", 2147483647, true},
        {"2147483648", 7, false},
        {"-2147483648", -2147483647 - 1, true},
        {"$", 7, false},
        {"0x123456789", 7, false},
        {" 5 ", 5, true},
    };
    for (const auto& c : cases) {
        IniFile ini;
        ini.parse(QStringLiteral("[S]\nK=%1\n").arg(QString::fromUtf8(c.text)));
        EXPECT_EQ(ini.readInt("S", "K", 7), c.asInt) << c.text;
        EXPECT_EQ(ini.readBool("S", "K", false), c.asBool) << c.text;
    }
    IniFile ini;
    ini.parse("[S]\nF=1.5\nComma=1,5\nExp=2.5e1\n");
    EXPECT_DOUBLE_EQ(ini.readFloat("S", "F", 0), 1.5);
    EXPECT_DOUBLE_EQ(ini.readFloat("S", "Comma", 9), 9);
    EXPECT_DOUBLE_EQ(ini.readFloat("S", "Exp", 0), 25);
    EXPECT_EQ(formatIniFloat(1.5f), "1.5");
    EXPECT_EQ(formatIniFloat(2.5f), "2.5");
    EXPECT_EQ(formatIniFloat(0.1f), "0.1");
}

TEST(IniValues, BinaryBlocks) {
    IniFile ini;
    ini.writeBinary("S", "B", QByteArray("\x01\xAB\x00\xff", 4));
    EXPECT_EQ(ini.readString("S", "B", ""), "01AB00FF");
    EXPECT_EQ(ini.readBinary("S", "B"), QByteArray("\x01\xAB\x00\xff", 4));
    // A short or damaged block is copied as far as it goes and the rest is zero.
    ini.parse("[S]\nShort=0102\nOdd=01020\nBad=01ZZ03\n");
    EXPECT_EQ(ini.readBinary("S", "Short", 4), QByteArray("\x01\x02\x00\x00", 4));
    EXPECT_EQ(ini.readBinary("S", "Odd", 3), QByteArray("\x01\x02\x00", 3));
    EXPECT_EQ(ini.readBinary("S", "Bad", 3), QByteArray("\x01\x00\x00", 3));
    EXPECT_EQ(ini.readBinary("S", "Missing", 2), QByteArray(2, '\0'));
}

TEST(IniUpdate, KeepsUnknownLinesAndOrder) {
    IniFile ini;
    ini.parse("; header comment\r\n[Options]\r\nZeta=1\r\n; note\r\nAlpha=2\r\n\r\n"
              "[Other]\r\nX=y\r\n");
    ini.writeInt("options", "alpha", 5);    // updates in place, keeps the stored spelling
    ini.writeString("Options", "New", "v"); // goes after the last key of the section
    ini.writeString("Fresh", "K", "line\nbreak");
    EXPECT_EQ(ini.serialize(), "; header comment\r\n[Options]\r\nZeta=1\r\n; note\r\nAlpha=5\r\n"
                               "New=v\r\n\r\n[Other]\r\nX=y\r\n[Fresh]\r\nK=line break\r\n");
    ini.deleteKey("OPTIONS", "zeta");
    EXPECT_FALSE(ini.hasKey("Options", "Zeta"));
    ini.deleteSection("other");
    EXPECT_EQ(ini.sections(), QStringList({"Options", "Fresh"}));
}

TEST(IniFileIo, LegacyEncodingAndAtomicSave) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ini");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[S]\r\nName=\xCF\xF0\xE8\xE2\xE5\xF2\r\n"); // "Привет" in Windows-1251
    }
    IniFile ini(path);
    EXPECT_TRUE(ini.existed());
    EXPECT_EQ(ini.readString("S", "Name", ""), QString::fromUtf8("Привет"));
    ini.writeString("S", "Other", QString::fromUtf8("ёж"));
    ASSERT_TRUE(ini.save());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QString::fromUtf8("[S]\r\nName=Привет\r\nOther=ёж\r\n").toUtf8());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"a.ini"}));

    // A save into a folder that does not exist fails with a reason and creates nothing.
    QString error;
    EXPECT_FALSE(ini.saveAs(dir.filePath("missing/b.ini"), &error));
    EXPECT_TRUE(error.contains("b.ini"));
}

TEST(IniUpdate, ValuesThatReadingWouldAlterAreQuoted) {
    IniFile ini;
    ini.parse("[S]\r\nKeep =  as typed  \r\n");
    ini.writeString("S", "Pad", "  two  ");
    ini.writeString("S", "Q", "\"x\"");
    ini.writeString("S", "Plain", "a b");
    EXPECT_EQ(ini.serialize(),
              "[S]\r\nKeep =  as typed  \r\nPad=\"  two  \"\r\nQ=\"\"x\"\"\r\nPlain=a b\r\n");
    IniFile again;
    again.parse(ini.serialize());
    EXPECT_EQ(again.readString("S", "Pad", ""), "  two  ");
    EXPECT_EQ(again.readString("S", "Q", ""), "\"x\"");
    EXPECT_EQ(again.readString("S", "Keep", ""), "as typed");
}
