#pragma once
// The drag data of library-search results dropped onto a playlist: one line per result,
// artist, title, length text and file name separated by tabs, with "\\", tab and line breaks
// inside a field written as "\\\\", "\\t", "\\n" and "\\r". UTF-8.
#include "player/core/edit/playlisteditor.h"

#include <QByteArray>
#include <vector>

namespace wc {

inline constexpr const char* kSearchResultsMime = "application/x-wavecrest-search-results";

QByteArray encodeSearchResults(const std::vector<SearchResult>& results);
// Lines that do not hold four fields, or whose file name is empty, are skipped.
std::vector<SearchResult> decodeSearchResults(const QByteArray& data);

} // namespace wc
