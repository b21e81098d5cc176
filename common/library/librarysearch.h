#pragma once
// Searching library records: texts folded for a case-insensitive substring test, and the
// folded texts of one field of every record kept one after another in one buffer, so a
// search is a scan of that buffer. Shared by the library program and the player.
#include "common/library/libraryfile.h"

#include <QString>
#include <QStringView>
#include <vector>

namespace wc {

// The eight searchable fields, in the order the windows list them.
enum LibrarySearchField : int {
    SearchTitle = 0,
    SearchArtist,
    SearchAlbum,
    SearchYear,
    SearchGenre,
    SearchComment,
    SearchTime, // the "mm:ss" text of the duration
    SearchFileName,
    kLibrarySearchFieldCount
};

// A text folded for searching: Unicode case folding, with the foldings that expand (sharp s,
// ligatures) applied too.
QString foldForSearch(const QString& text);
// The folded text of one field of a record.
QString foldedFieldText(const TBaseEntry& e, int field);

// The folded texts of one field of a run of records.
class FoldedTexts {
public:
    FoldedTexts() = default;
    // Folds the field of every record (an unknown field gives empty texts).
    FoldedTexts(const TBaseEntryArr& records, int field);

    int count() const { return start_.empty() ? 0 : int(start_.size()) - 1; }
    QStringView at(int i) const {
        const qsizetype from = start_[size_t(i)], to = start_[size_t(i) + 1];
        return QStringView(text_).sliced(from, to - from);
    }
    // Whether record i's text holds the folded needle (an empty needle matches every record).
    bool contains(int i, const QString& foldedNeedle) const { return at(i).contains(foldedNeedle); }
    // Appends the positions in [from, to) whose text holds the folded needle.
    void matches(const QString& foldedNeedle, int from, int to, std::vector<int>& out) const;

private:
    QString text_;
    std::vector<quint32> start_; // record i is text_[start_[i], start_[i + 1])
};

} // namespace wc
