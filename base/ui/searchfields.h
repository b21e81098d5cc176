#pragma once
// The eight search fields (title, artist, album, year, genre, comment, time, file name). Enter
// asks for a search on the key press; with quick search on, releasing any key that edits asks
// for one too.
#include "base/core/librarymodel.h"

#include <QWidget>
#include <array>

class QLineEdit;

namespace wc::base {

class SearchFields final : public QWidget {
    Q_OBJECT
public:
    explicit SearchFields(QWidget* parent = nullptr);
    SearchQuery query() const;
    void clear();
    void setQuickSearch(bool on) { quick_ = on; }
    QLineEdit* field(int i) const { return fields_[size_t(i)]; }

signals:
    void searchRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QLineEdit*, kSearchFieldCount> fields_{};
    bool quick_ = true;
};

} // namespace wc::base
