#pragma once
// The per-track settings and statistics store "Database/Files.Dat": a headerless file of
// 368-byte little-endian records, one per file name, shared by the player and the library
// program. Each process holds the whole file in memory (MyDatabase) and looks names up through
// a name-to-slot index. Every change is written under a file lock that re-reads what other
// processes wrote, then announced with the registered message "Wavecrest_Database_Message"
// (DatabaseMessage), on which every holder reloads what changed.
//
// Names are file paths as the caller holds them; every operation lower-cases them and keys
// them by their UTF-8 form cut to 255 bytes on a character boundary, the capacity of the name
// field. Records written by older Windows installations (names in Windows-1251) are read too.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>
#include <functional>

namespace wc {

constexpr int kTrackRecordSize = 368;
constexpr int kTrackNameCapacity = 255;

// One record, decoded. Byte offsets of the file layout in the comments; reserved bytes are
// written as 0.
struct TTrackRecord {
    QByteArray name;            // 0: length byte + up to 255 bytes, lower-cased
    quint16 marker = 0;         // 256: 1 in record 0 after a load rewrote it; nobody reads it
    quint8 NotifyCode = 0;      // 258: change kind for the broadcast; always 0 in the file
    quint32 nameCRC = 0;        // 260: TrackNameCRC(name)
    qint32 introMs = 0;         // 264
    qint32 outroMs = 0;         // 268
    qint32 fadeOutMs = 0;       // 272
    qint32 mixMs = 0;           // 276
    qint32 fadeInMs = 0;        // 280
    bool fadeOutOn = false;     // 284
    bool mixOn = false;         // 285
    bool fadeInOn = false;      // 286
    qint32 bpm = 0;             // 288: 0 = not set
    double lastPlay = 0;        // 352: OLE date, local time; 0 = never played
    qint32 playCount = 0;       // 360
    bool deleteRequest = false; // 364: SetTrackRecord removes the record; always 0 in the file

    // The stored name as text (UTF-8, or Windows-1251 when the bytes are not UTF-8).
    QString nameText() const;
    // Any of the three per-track fade flags is set.
    bool hasOwnFades() const { return fadeOutOn || mixOn || fadeInOn; }
    bool operator==(const TTrackRecord&) const = default;
};

// NotifyCode values (wParam of DatabaseMessage).
enum : quint8 {
    kNotifyEdited = 0,       // fades, intro, outro, BPM or counts may have changed
    kNotifyPlayRecorded = 1, // only play count and last play changed
};

using TrackRecordBytes = std::array<char, kTrackRecordSize>;

// The 368 bytes of a record. A name longer than 255 bytes is cut (the caller normally passes
// a key from trackKey()).
TrackRecordBytes encodeTrackRecord(const TTrackRecord& r);
// Decodes one record from at least kTrackRecordSize bytes; false (and *out untouched) when
// fewer bytes are given. Any byte values are accepted: flag bytes other than 0 read as set.
bool decodeTrackRecord(const char* data, qsizetype size, TTrackRecord* out);

// CRC-32 of IEEE 802.3 (reflected 0xEDB88320, initial 0xFFFFFFFF, final complement) over the
// bytes; the empty string gives 0.
quint32 TrackNameCRC(const QByteArray& bytes);
// The key a name is stored and found under: lower-cased, UTF-8, cut to 255 bytes on a
// character boundary.
QByteArray trackKey(const QString& name);

// The zero record of a name: everything 0, the key in the name field (with its CRC).
TTrackRecord zeroTrackRecord(const QString& name);

// "%.2d:%.2d" of a length in milliseconds (minutes, seconds): the Intro and Outro texts of a
// playlist item.
QString introOutroText(qint32 ms);

// The two lines of the track-information page for a record; without a record (no selected
// row) "Fade In: --  Mix: --  FadeOut: --" and "BPM: -  Playcount: -  Last play: -".
QStringList trackInfoLines(const TTrackRecord* record);

class MyDatabase {
public:
    // The store of the file at path; programDir() + "Database/Files.Dat" by default. Nothing is
    // read until LoadTrackStore().
    explicit MyDatabase(QString path = QString());
    ~MyDatabase();
    MyDatabase(const MyDatabase&) = delete;
    MyDatabase& operator=(const MyDatabase&) = delete;

    const QString& path() const;

    // (Re)reads the whole file. A missing file is no error and keeps the current contents
    // (empty at start-up). On an I/O error, or a file that changes while it is read, the
    // previous contents stay, the error box "I/O Error <code>\r\nFile: <path>" is shown through
    // prompts() and false is returned; writes are then refused until a load succeeds.
    bool LoadTrackStore();
    // What a holder does on DatabaseMessage: brings the in-memory copy up to date with the
    // file, reading only the record that changed when the last change was one record, then
    // calls the change hooks with the code. Cheap when nothing changed.
    bool reloadChanged(qint64 notifyCode);
    // Whether the last load failed, so that writes are refused.
    bool writesBlocked() const;

    // Index of the record of name, or -1.
    int FindTrackRecord(const QString& name) const;
    // A copy of the record of name, or its zero record.
    TTrackRecord GetTrackRecord(const QString& name) const;
    // Record by index (0 <= index < count()).
    TTrackRecord recordAt(int index) const;
    int count() const;

    // Stores record under name (adding a slot when there is none), writes that slot to the
    // file and broadcasts DatabaseMessage with the record's NotifyCode; with deleteRequest set
    // it removes the record of name instead (nothing at all happens when there is none) and
    // rewrites the file. Returns whether the file was written.
    bool SetTrackRecord(const QString& name, const TTrackRecord& record);
    // Read-modify-write of one record under the file lock: change() receives the record as the
    // file holds it now (or the zero record) and the result is stored and broadcast with
    // notifyCode. Use this rather than Get + Set when other processes may change the same
    // record at the same time.
    bool updateTrackRecord(const QString& name, const std::function<void(TTrackRecord&)>& change,
                           quint8 notifyCode);
    // A track started: play count + 1 when countPlay, last play = wc::clock().nowOle(),
    // broadcast with code 1.
    bool recordPlay(const QString& name, bool countPlay);
    // The same with the start time given by the caller (an OLE date).
    bool recordPlay(const QString& name, bool countPlay, double nowOle);
    // Sets every play count in the file to 0 (other fields unchanged), rewrites it through a
    // temporary file and broadcasts code 0. False, with *error, on an I/O error.
    bool resetPlayCounts(QString* error = nullptr);

    // How a change is announced; by default broadcastMessage() of the registered
    // DatabaseMessage with wParam = code, lParam = 0. Tests and benches may replace it.
    void setNotifier(std::function<void(quint8 code)> notifier);
    // Hooks called after reloadChanged() (the player refreshes its Intro and Outro texts unless
    // the code is 1). Returns an id for removeChangedHook().
    int addChangedHook(std::function<void(qint64 code)> hook);
    void removeChangedHook(int id);

    // Replaces the contents with a file image held in memory (tests, fuzzing, benches); a
    // trailing partial record is ignored.
    void loadFromBytes(const QByteArray& image);

    struct Impl;

private:
    Impl* d_;
};

// The registered message number of "Wavecrest_Database_Message" in this process.
quint32 DatabaseMessage();
// For a window's message handler: when msg is DatabaseMessage, brings store up to date and
// calls its change hooks with wParam, and returns true; otherwise false.
bool handleDatabaseMessage(MyDatabase& store, quint32 msg, qint64 wParam);

// The process-wide store; created on first use for programDir(). setTrackStore() installs
// another (tests); it must outlive its users.
MyDatabase& trackStore();
void setTrackStore(MyDatabase* store);

// The counter reset of the Top 100 menu: asks "Are you sure you want to reset TOP-100
// counters?" (caption "Top-100") through prompts(); on Yes resets the counts. An I/O error is
// shown as an error box. Returns whether the counts were reset.
bool confirmAndResetTop100Counters(MyDatabase& store);

} // namespace wc
