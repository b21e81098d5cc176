#pragma once
// The library search page of the main window: the field edFindText ("Найти:"), the choice of
// the searched field cbFindIndex ("Индекс:") and the result list LVFindResult, bound to the
// library cache and the sliced search of player/core/search. Results go into the playlists by
// double-click (after the active list's selection), by dragging (the lists' own drop path)
// and by "Добавить все" (appended to the active list).
#include "player/core/search/searchlibrary.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>

class QComboBox;
class QLineEdit;
class QMainWindow;
class QMenu;
class QTableView;

namespace wc {

class PlaylistEditor;
struct SearchResult;

// The rows of LVFindResult: artist, title, length, file path of the result records.
class SearchResultsModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setResults(LibrarySnapshotPtr library, std::vector<int> rows);
    // Orders the shown rows by a column (2: the length in milliseconds).
    void sortRows(int column, bool ascending);
    SearchResult result(int row) const;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

private:
    LibrarySnapshotPtr library_;
    std::vector<int> rows_;
};

class LibrarySearchPage final : public QWidget {
    Q_OBJECT
public:
    // libraryPath gives the profile's library file at each check.
    LibrarySearchPage(PlaylistEditor& editor, std::function<QString()> libraryPath,
                      QWidget* parent = nullptr);
    ~LibrarySearchPage() override;
    // The page in a hidden dock of the window ("LibrarySearchDock"), shown and hidden by an
    // action "ShowLibrarySearch" added to menu.
    static LibrarySearchPage* addDock(QMainWindow* window, QMenu* menu, PlaylistEditor& editor,
                                      std::function<QString()> libraryPath);

    QLineEdit* findText() const { return edFindText_; }
    QComboBox* findIndex() const { return cbFindIndex_; }
    QTableView* results() const { return LVFindResult_; }
    SearchResultsModel* model() const { return model_; }
    // Sees whether the library file changed and, if so, starts reading it on the worker.
    void checkLibrary();
    bool searching() const { return search_.running(); }
    bool reading() const { return cache_.reading(); }
    // Appends every result row, in list order, to the end of the active playlist.
    void addAll();
    // The selected result rows, in list order.
    std::vector<SearchResult> selectedResults() const;
    // Puts the selected results on the playlist clipboard as playlist items.
    void copySelection();

private:
    void runSearch();
    void showResults();
    void sortByHeader(int column);

    PlaylistEditor& editor_;
    std::function<QString()> libraryPath_;
    SearchLibraryCache cache_;
    LibrarySearch search_;
    std::unique_ptr<class Timer> watcher_;
    QLineEdit* edFindText_ = nullptr;
    QComboBox* cbFindIndex_ = nullptr;
    QTableView* LVFindResult_ = nullptr;
    SearchResultsModel* model_ = nullptr;
    bool sortAscending_ = false;
};

} // namespace wc
