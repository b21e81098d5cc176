#pragma once
// One playlist item: the texts of its columns, its icon number and its flags. Items have
// value semantics; every list stores its own copies.
#include <QString>
#include <QStringList>
#include <array>

namespace wc {

// Indexes into TVirtualItem::Columns.
enum ItemColumn {
    kColStartTime = 0,
    kColTitle = 1,
    kColIntroText = 2,
    kColOutroText = 3,
    kColDurationText = 4,
    kColFileName = 5,
    kItemColumnCount = 11,
};

// Icon numbers with a fixed meaning.
enum ItemImage {
    kImagePlain = 0,
    kImageInserted = 24,       // put in by the scheduler or a command
    kImageInsertedPlayed = 25, // such an item after it has started playing
    kImageNote = 37,           // the item has a text note
};

struct TVirtualItem {
    QString Number;
    std::array<QString, kItemColumnCount> Columns;
    qint32 ImageIndex = kImagePlain;
    bool IsPlaying = false;
    bool IsNext = false;
    bool StartFixed = false;

    const QString& StartTime() const { return Columns[kColStartTime]; }
    const QString& Title() const { return Columns[kColTitle]; }
    const QString& IntroText() const { return Columns[kColIntroText]; }
    const QString& OutroText() const { return Columns[kColOutroText]; }
    const QString& DurationText() const { return Columns[kColDurationText]; }
    const QString& FileName() const { return Columns[kColFileName]; }

    bool operator==(const TVirtualItem&) const = default;
};

// What an item stands for; it follows from its file name and title.
enum class ItemKind {
    AudioFile,
    CdTrack,     // ".cda"
    LineInput,   // file name "line.in"
    CommandFile, // ".command"
    PlaylistRef, // ".m3u"
    VoiceTrack,  // title contains "voicetrack" or "voice track"
    TypedItem,   // title contains the identifier of one of the profile's item types
};

struct ItemKindResult {
    ItemKind kind = ItemKind::AudioFile;
    int type = 0; // 2..11 for TypedItem, else 0
};

// typeIds holds the identifiers of item types 2..11 in order (typeIds[0] is type 2); empty
// identifiers never match. The file name decides first, then the title.
ItemKindResult itemKind(const TVirtualItem& item, const QStringList& typeIds = {});

// The first type (2..11) whose non-empty identifier the lower-cased title contains, else 0.
int itemType(const QString& title, const QStringList& typeIds);

} // namespace wc
