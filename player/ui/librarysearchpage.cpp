#include "player/ui/librarysearchpage.h"

#include "common/tags/tracktag.h"
#include "player/core/edit/playlisteditor.h"
#include "player/core/edit/searchdrag.h"

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QFormLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <set>
#include <utility>

namespace wc {

void SearchResultsModel::setResults(LibrarySnapshotPtr library, std::vector<int> rows) {
    beginResetModel();
    releaseSnapshot(std::exchange(library_, std::move(library)));
    rows_ = std::move(rows);
    endResetModel();
}

void SearchResultsModel::sortRows(int column, bool ascending) {
    if (!library_) return;
    beginResetModel();
    sortSearchResults(*library_, rows_, column, ascending);
    endResetModel();
}

SearchResult SearchResultsModel::result(int row) const {
    const TBaseEntry& e = library_->records[size_t(rows_[size_t(row)])];
    return SearchResult{e.artist, e.title, FormatMinSec(e.durationMs), e.fileName};
}

int SearchResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int SearchResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    const TBaseEntry& e = library_->records[size_t(rows_[size_t(index.row())])];
    switch (index.column()) {
    case 0:
        return e.artist;
    case 1:
        return e.title;
    case 2:
        return FormatMinSec(e.durationMs);
    default:
        return e.fileName;
    }
}

QVariant SearchResultsModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const names[] = {"Исполнитель", "Название", "Время", "Файл"};
    return section >= 0 && section < 4 ? QString::fromUtf8(names[section]) : QVariant();
}

Qt::ItemFlags SearchResultsModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList SearchResultsModel::mimeTypes() const {
    return {QLatin1String(kSearchResultsMime)};
}

QMimeData* SearchResultsModel::mimeData(const QModelIndexList& indexes) const {
    std::set<int> rows;
    for (const QModelIndex& i : indexes)
        rows.insert(i.row());
    std::vector<SearchResult> results;
    for (int r : rows)
        results.push_back(result(r));
    auto* mime = new QMimeData;
    mime->setData(QLatin1String(kSearchResultsMime), encodeSearchResults(results));
    return mime;
}

LibrarySearchPage::LibrarySearchPage(PlaylistEditor& editor, std::function<QString()> libraryPath,
                                     QWidget* parent)
    : QWidget(parent), editor_(editor), libraryPath_(std::move(libraryPath)) {
    setObjectName(QStringLiteral("SearchPage"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    edFindText_ = new QLineEdit(this);
    edFindText_->setObjectName(QStringLiteral("edFindText"));
    cbFindIndex_ = new QComboBox(this);
    cbFindIndex_->setObjectName(QStringLiteral("cbFindIndex"));
    // Entry k searches field k; the last one, the file path, has its own name here too.
    for (const char* name : {"Название", "Исполнитель", "Альбом", "Год", "Жанр", "Комментарий",
                             "Время", "Путь к файлу"})
        cbFindIndex_->addItem(QString::fromUtf8(name));
    cbFindIndex_->setCurrentIndex(0);
    form->addRow(QString::fromUtf8("Найти:"), edFindText_);
    form->addRow(QString::fromUtf8("Индекс:"), cbFindIndex_);
    layout->addLayout(form);

    LVFindResult_ = new QTableView(this);
    LVFindResult_->setObjectName(QStringLiteral("LVFindResult"));
    model_ = new SearchResultsModel(LVFindResult_);
    LVFindResult_->setModel(model_);
    LVFindResult_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LVFindResult_->setSelectionBehavior(QAbstractItemView::SelectRows);
    LVFindResult_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LVFindResult_->setDragEnabled(true);
    LVFindResult_->setDragDropMode(QAbstractItemView::DragOnly);
    LVFindResult_->setDefaultDropAction(Qt::CopyAction);
    LVFindResult_->verticalHeader()->hide();
    LVFindResult_->setColumnWidth(0, 118);
    LVFindResult_->setColumnWidth(1, 118);
    LVFindResult_->setColumnHidden(3, true); // the path travels with the row, unseen
    LVFindResult_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* addAllAction = new QAction(QString::fromUtf8("Добавить все"), LVFindResult_);
    addAllAction->setObjectName(QStringLiteral("FindAddAll"));
    connect(addAllAction, &QAction::triggered, this, [this] { addAll(); });
    LVFindResult_->addAction(addAllAction);
    layout->addWidget(LVFindResult_, 1);

    connect(LVFindResult_, &QTableView::doubleClicked, this, [this](const QModelIndex& i) {
        if (i.isValid()) editor_.InsertAfterSelection(model_->result(i.row()).fileName);
    });
    LVFindResult_->horizontalHeader()->setSectionsClickable(true);
    connect(LVFindResult_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { sortByHeader(column); });
    connect(edFindText_, &QLineEdit::textChanged, this, [this] { runSearch(); });
    connect(cbFindIndex_, &QComboBox::activated, this, [this] { runSearch(); });

    cache_.onLoaded = [this] { search_.setSnapshot(cache_.snapshot()); };
    search_.onFinished = [this] { showResults(); };
    // The library program saves the file while the player runs; the change is picked up
    // within 50 ms (a look at the file's identity) and read on the worker.
    watcher_ =
        timerHost().createTimer(QStringLiteral("LibrarySearchWatch"), [this] { checkLibrary(); });
    watcher_->start(50);
}

LibrarySearchPage::~LibrarySearchPage() = default;

LibrarySearchPage* LibrarySearchPage::addDock(QMainWindow* window, QMenu* menu,
                                              PlaylistEditor& editor,
                                              std::function<QString()> libraryPath) {
    auto* dock = new QDockWidget(QString::fromUtf8("Поиск"), window);
    dock->setObjectName(QStringLiteral("LibrarySearchDock"));
    auto* page = new LibrarySearchPage(editor, std::move(libraryPath));
    dock->setWidget(page);
    window->addDockWidget(Qt::LeftDockWidgetArea, dock);
    dock->hide();
    dock->toggleViewAction()->setObjectName(QStringLiteral("ShowLibrarySearch"));
    menu->addAction(dock->toggleViewAction());
    return page;
}

void LibrarySearchPage::checkLibrary() {
    cache_.setPath(libraryPath_ ? libraryPath_() : QString());
    cache_.refresh();
}

void LibrarySearchPage::runSearch() {
    if (cbFindIndex_->currentIndex() < 0) return;
    checkLibrary();
    search_.search(edFindText_->text(), cbFindIndex_->currentIndex());
}

void LibrarySearchPage::showResults() {
    model_->setResults(search_.snapshot(), search_.results());
}

void LibrarySearchPage::sortByHeader(int column) {
    // The first click sorts ascending; every later click, on any column, reverses.
    sortAscending_ = !sortAscending_;
    model_->sortRows(column, sortAscending_);
}

std::vector<SearchResult> LibrarySearchPage::selectedResults() const {
    QModelIndexList rows = LVFindResult_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<SearchResult> out;
    out.reserve(size_t(rows.size()));
    for (const QModelIndex& i : rows)
        out.push_back(model_->result(i.row()));
    return out;
}

void LibrarySearchPage::copySelection() {
    const std::vector<SearchResult> chosen = selectedResults();
    if (chosen.empty()) return;
    std::vector<TVirtualItem>& clip = PlaylistClipboard();
    clip.clear();
    for (const SearchResult& r : chosen)
        clip.push_back(editor_.searchResultItem(r));
}

void LibrarySearchPage::addAll() {
    std::vector<SearchResult> all;
    all.reserve(size_t(model_->rowCount()));
    for (int r = 0; r < model_->rowCount(); ++r)
        all.push_back(model_->result(r));
    if (!all.empty()) editor_.dropSearchResults(editor_.lists().ActivePlaylist(), -1, all);
}

} // namespace wc
