// The announcement of a started item: the now-playing file's three forms and where it goes,
// and the steps of AnnounceItem on a list (on-air text, row title and length, report line).
#include "fakes.h"

#include "common/settings.h"
#include "common/simloop.h"
#include "player/core/announce/announcer.h"
#include "player/core/announce/diskwriter.h"
#include "player/core/announce/nowplaying.h"
#include "player/core/announce/reportlog.h"
#include "player/core/playlist/playlistview.h"
#include "player/core/profile/profile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <cstring>
#include <random>

namespace wc::announce::test {
namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The TRACK element's attributes, or an error text when the document is not well-formed.
struct ParsedXml {
    QString error;
    QMap<QString, QString> track;
    QString version;
};
ParsedXml parseXml(const QByteArray& bytes) {
    ParsedXml r;
    QXmlStreamReader x(bytes);
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement) continue;
        if (x.name() == QLatin1String("PLAYER"))
            r.version = x.attributes().value(QLatin1String("version")).toString();
        if (x.name() == QLatin1String("TRACK"))
            for (const QXmlStreamAttribute& a : x.attributes())
                r.track.insert(a.name().toString(), a.value().toString());
    }
    if (x.hasError()) r.error = x.errorString();
    return r;
}

TrackTag rawTag(const QByteArray& artist, const QByteArray& title) {
    TrackTag t;
    clearTag(t);
    setTagMarker(t, "TAG");
    std::memcpy(t.artist, artist.constData(), size_t(std::min<qsizetype>(30, artist.size())));
    std::memcpy(t.title, title.constData(), size_t(std::min<qsizetype>(30, title.size())));
    return t;
}

TEST(NowPlaying, SpecialCharactersAreEscapedInXmlAndJsonAndKeptInText) {
    struct Case {
        QByteArray artist, title;
        QString textLine;              // the text form's line
        QString xmlArtist, xmlTitle;   // as written in the XML file
        QString readArtist, readTitle; // as an XML parser reads them back
    };
    const Case cases[] = {
        {"Tom & Jerry", "Say \"Hi\"", QString::fromUtf8("Tom & Jerry – Say \"Hi\""),
         "Tom &amp; Jerry", "Say &quot;Hi&quot;", "Tom & Jerry", "Say \"Hi\""},
        {"<Band>", "It's", QString::fromUtf8("<Band> – It's"), "&lt;Band&gt;", "It&apos;s",
         "<Band>", "It's"},
        // "&" is replaced first, so an entity in a tag stays literal text.
        {"&amp;", "x", QString::fromUtf8("&amp; – x"), "&amp;amp;", "x", "&amp;", "x"},
        // Control characters other than tab, line feed and carriage return are dropped.
        {"A\x01"
         "B\x1f"
         "C",
         "T\tU",
         QString::fromUtf8("A\x01"
                           "B\x1f"
                           "C – T\tU"),
         "ABC", "T\tU", "ABC", "T U"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.artist.toStdString());
        const NowPlayingItem item = nowPlayingItem("/m/x.mp3", rawTag(c.artist, c.title));
        EXPECT_EQ(NowPlayingText(item), c.textLine.toUtf8() + "\r\n");

        const QByteArray xml = NowPlayingXml(item, "1.2.3");
        EXPECT_TRUE(xml.contains("ARTIST=\"" + c.xmlArtist.toUtf8() + "\" TITLE=\"" +
                                 c.xmlTitle.toUtf8() + "\""))
            << xml.constData();
        const ParsedXml parsed = parseXml(xml);
        EXPECT_EQ(parsed.error, QString());
        EXPECT_EQ(parsed.track.value("ARTIST"), c.readArtist);
        EXPECT_EQ(parsed.track.value("TITLE"), c.readTitle);

        // JSON keeps every character, escaped, and reads back the same.
        const QByteArray json = NowPlayingJson(item);
        for (char b : json.left(json.size() - 2))
            EXPECT_GE(uchar(b), 0x20) << "raw control byte in " << json.constData();
        QJsonParseError err;
        const QJsonObject o = QJsonDocument::fromJson(json, &err).object();
        EXPECT_EQ(err.error, QJsonParseError::NoError);
        EXPECT_EQ(o.value("artist").toString(), item.artist);
        EXPECT_EQ(o.value("title").toString(), item.title);
    }
}

TEST(NowPlaying, FormsAreWellFormedForAnyBytesATagCanHold) {
    std::mt19937 rng(2026);
    std::uniform_int_distribution<int> byte(0, 255);
    auto randomField = [&](int size) {
        QByteArray b(size, '\0');
        for (char& c : b)
            c = char(byte(rng));
        return b;
    };
    for (int round = 0; round < 3000; ++round) {
        TrackTag t;
        clearTag(t);
        setTagMarker(t, round % 2 ? "TAG" : "OGG");
        for (auto [field, size] :
             {std::pair{t.title, 30}, {t.artist, 30}, {t.album, 30}, {t.year, 4}, {t.comment, 30}})
            std::memcpy(field, randomField(size).constData(), size_t(size));
        t.genreLength = uint8_t(byte(rng) % 31);
        std::memcpy(t.genre, randomField(30).constData(), 30);
        const QString fileName =
            QStringLiteral("/m/") + QString::fromLatin1(randomField(12)) + QStringLiteral(".mp3");
        const NowPlayingItem item = nowPlayingItem(fileName, t);

        const ParsedXml parsed = parseXml(NowPlayingXml(item, "1.0"));
        ASSERT_EQ(parsed.error, QString()) << "round " << round;
        EXPECT_EQ(parsed.track.size(), 7);

        QJsonParseError err;
        const QJsonObject o = QJsonDocument::fromJson(NowPlayingJson(item), &err).object();
        ASSERT_EQ(err.error, QJsonParseError::NoError) << "round " << round;
        EXPECT_EQ(o.value("comment").toString(), item.comment);
        EXPECT_EQ(o.value("fileName").toString(), item.fileName);
    }
}

TEST(NowPlaying, JsonHoldsTheWholeRecord) {
    TrackTag t = rawTag("Band", "Song");
    std::memcpy(t.album, "Album", 5);
    std::memcpy(t.year, "1999", 4);
    std::memcpy(t.comment, "Nice", 4);
    t.genreLength = 4;
    std::memcpy(t.genre, "Rock", 4);
    NowPlayingItem item = nowPlayingItem("/music/a b.mp3", t);
    const QDateTime start(QDate(2026, 12, 10), QTime(21, 5, 3, 250));
    item.startOle = toOleDate(start);
    item.lengthMs = 187250;
    const QJsonObject o = QJsonDocument::fromJson(NowPlayingJson(item)).object();
    EXPECT_EQ(o.value("artist").toString(), "Band");
    EXPECT_EQ(o.value("title").toString(), "Song");
    EXPECT_EQ(o.value("album").toString(), "Album");
    EXPECT_EQ(o.value("year").toString(), "1999");
    EXPECT_EQ(o.value("genre").toString(), "Rock");
    EXPECT_EQ(o.value("comment").toString(), "Nice");
    EXPECT_EQ(o.value("fileName").toString(), "/music/a b.mp3");
    EXPECT_EQ(o.value("lengthMs").toDouble(), 187250.0);
    const QDateTime read =
        QDateTime::fromString(o.value("startTime").toString(), Qt::ISODateWithMs);
    ASSERT_TRUE(read.isValid()) << o.value("startTime").toString().toStdString();
    EXPECT_EQ(read.toMSecsSinceEpoch(), start.toMSecsSinceEpoch());
}

TEST(NowPlaying, PathRules) {
    const QString dir = QStringLiteral("/opt/station/");
    const std::pair<QString, QString> cases[] = {
        {"/srv/www/nowplaying.txt", "/srv/www/nowplaying.txt"},
        {"nowplaying.txt", "/opt/station/nowplaying.txt"},
        {"web/np.xml", "/opt/station/web/np.xml"},
        {"web\\np.xml", "/opt/station/web/np.xml"},
        {"abcd", "/opt/station/abcd"},
        {"abc", ""},
        {"/ab", ""},
        {"", ""},
    };
    for (const auto& [name, path] : cases)
        EXPECT_EQ(NowPlayingPath(name, dir), path) << name.toStdString();
}

// AnnounceItem on a list of six items in a throw-away program folder.
class AnnounceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setTimerHost(&loop);
        ASSERT_TRUE(writeMp3WithId3v1(home + "tagged.mp3", "Say \"Hi\"", "Tom & Jerry"));
        QFile plain(home + "Plain Name.xyz");
        ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
        plain.write("not audio");
        plain.close();
        for (int i = 0; i < 6; ++i) {
            TVirtualItem it;
            it.Columns[kColTitle] = QStringLiteral("row %1").arg(i);
            it.Columns[kColFileName] = i == 5 ? home + "Plain Name.xyz" : home + "tagged.mp3";
            master.AppendItem(it);
        }
        durations.ms = 61000;
        report.setListSink([this](const QString& line) { list << line; });
        announcer.setHooks(&hooks);
        hooks.onAirText = [this](const QString& t) { onAir << t; };
        hooks.broadcastTitle = [this](const QString& t) { streamTitles << t; };
        hooks.totals = [this] { ++totals; };
    }
    void TearDown() override { setTimerHost(nullptr); }
    void announce(int index) {
        master.SetPlayingIndex(index);
        announcer.AnnounceItem(master.at(index).FileName(), index);
        writer.flush();
    }
    QStringList reportLines() {
        const QString text = QString::fromUtf8(readFile(ReportFileName(home, clock.nowOle())));
        return text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    QString home = dir.path() + u'/';
    SimLoop loop;
    ManualClock clock{QDateTime(QDate(2026, 12, 10), QTime(14, 30, 5))};
    TPlayerIni ini;
    TProfile profile;
    PlaylistView master;
    FixedDurations durations;
    DiskWriter writer{[this](const QString& m, const QString& f) { report.writeFailed(m, f); }};
    ReportLog report{home, clock, writer};
    Announcer announcer{master, ini, profile, &durations, report, writer, clock, home, "2.0"};
    BoundAnnounceHooks hooks;
    QStringList list, onAir, streamTitles;
    int totals = 0;
};

TEST_F(AnnounceTest, TaggedItemIsNamedEverywhereAndNumberedInTheReport) {
    ini.ShowTrackNumberInReport = true;
    announce(4);
    const QString title = QString::fromUtf8("Tom & Jerry – Say \"Hi\"");
    EXPECT_EQ(onAir, QStringList{QStringLiteral("Tom & Jerry\r\nSay \"Hi\"")});
    EXPECT_EQ(master.at(4).Title(), title);
    EXPECT_EQ(master.at(4).DurationText(), "01:01");
    EXPECT_EQ(totals, 1);
    EXPECT_EQ(readFile(home + "nowplaying.txt"), title.toUtf8() + "\r\n");
    EXPECT_EQ(reportLines(), QStringList{"14:30:05   [5]  " + title});
    EXPECT_EQ(list, reportLines());
    EXPECT_TRUE(streamTitles.isEmpty()); // broadcasting is off
    // Nothing but the two files: the temporary file of the now-playing file was renamed.
    QStringList files = QDir(home).entryList(QDir::Files);
    files.sort();
    EXPECT_EQ(files, (QStringList{"Plain Name.xyz", "nowplaying.txt", "tagged.mp3"}));
}

TEST_F(AnnounceTest, UntaggedItemFallsBackToItsFileTitle) {
    ini.iExportFormat = 0;
    ini.bEnableBroadcast = true;
    announce(5);
    EXPECT_EQ(onAir, QStringList{"Plain Name"});
    EXPECT_EQ(master.at(5).Title(), "Plain Name");
    EXPECT_EQ(streamTitles, QStringList{"Plain Name"});
    EXPECT_EQ(reportLines(), QStringList{"14:30:05   Plain Name"});
    const ParsedXml xml = parseXml(readFile(home + "nowplaying.txt"));
    EXPECT_EQ(xml.error, QString());
    EXPECT_EQ(xml.version, "2.0");
    EXPECT_EQ(xml.track.value("ARTIST"), "");
    EXPECT_EQ(xml.track.value("TITLE"), "");
    EXPECT_EQ(xml.track.value("FILENAME"), home + "Plain Name.xyz");
}

TEST_F(AnnounceTest, SettingsGateTheFileAndTheReportLine) {
    struct Case {
        bool enableExport;
        QString name;
        bool report;
        bool fileWritten;
        bool lineWritten;
    };
    const Case cases[] = {
        {true, "nowplaying.txt", true, true, true},
        {false, "nowplaying.txt", true, false, true},
        {true, "np", true, false, true},
        {true, "", true, false, true},
        {true, "np/now.txt", false, false, false}, // a missing folder: nothing, no harm
        {true, "now.json", false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        QFile::remove(home + c.name);
        QFile::remove(ReportFileName(home, clock.nowOle()));
        ini.bEnableExport = c.enableExport;
        ini.XMLExportFileName = c.name;
        profile.Report = c.report;
        announce(0);
        EXPECT_EQ(!c.name.isEmpty() && QFile::exists(home + c.name), c.fileWritten);
        EXPECT_EQ(reportLines().size(), c.lineWritten ? 1 : 0);
    }
}

TEST_F(AnnounceTest, JsonFormNamesTheItemWithItsLength) {
    ini.iExportFormat = 2;
    ini.XMLExportFileName = "/" + home.mid(1) + "np.json";
    announce(1);
    QJsonParseError err;
    const QJsonObject o = QJsonDocument::fromJson(readFile(home + "np.json"), &err).object();
    ASSERT_EQ(err.error, QJsonParseError::NoError);
    EXPECT_EQ(o.value("artist").toString(), "Tom & Jerry");
    EXPECT_EQ(o.value("title").toString(), "Say \"Hi\"");
    EXPECT_EQ(o.value("lengthMs").toInt(), 61000);
    EXPECT_EQ(QDateTime::fromString(o.value("startTime").toString(), Qt::ISODateWithMs),
              QDateTime(QDate(2026, 12, 10), QTime(14, 30, 5)));
}

} // namespace
} // namespace wc::announce::test
