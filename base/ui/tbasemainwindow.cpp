#include "tbasemainwindow.h"

#include "base/core/baselanguage.h"
#include "base/core/basestrings.h"
#include "base/core/errorlog.h"
#include "base/core/playerlink.h"
#include "base/core/tagedit.h"
#include "base/ui/captions.h"
#include "base/ui/filechooser.h"
#include "base/ui/jobprogressdialog.h"
#include "base/ui/librarytablemodel.h"
#include "base/ui/optionsdialog.h"
#include "base/ui/previewpanel.h"
#include "base/ui/searchfields.h"
#include "base/ui/sendtargetmenu.h"
#include "base/ui/statsdialog.h"
#include "base/ui/tageditdialog.h"
#include "common/clock.h"
#include "common/log.h"
#include "common/paths.h"
#include "common/settings.h"
#include "common/tags/tracktag.h"
#include "common/trackstore/trackstore.h"
#include "platform/prompts.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace wc::base {

namespace {

const QString kLibraryFilter = QStringLiteral("Database files (*.dfs)");
const QString kPlaylistFilter = QStringLiteral("M3U Playlist (*.m3u)");

QString audioFilter() {
    QStringList patterns;
    for (const QString& ext : supportedExtensions())
        patterns << QLatin1Char('*') + ext;
    return QStringLiteral("Audio files (%1)").arg(patterns.join(' '));
}

} // namespace

TBaseMainWindow::TBaseMainWindow(const QStringList& args, FileDurationMs& probe,
                                 FileChooser& chooser, PreviewDeck* deck)
    : cmd_(parseBaseCommandLine(args)), probe_(probe), chooser_(chooser),
      workers_(std::make_unique<LengthWorkers>(probe, LengthWorkers::defaultThreads())) {
    setObjectName(QStringLiteral("TBase_main_window"));
    setWindowTitle(QStringLiteral("Music Library (%1)").arg(FileVersionText(QString())));
    playerWindow_ = cmd_.playerWindow;
    buildWidgets(deck);
    setAcceptDrops(true);
    // Other programs find the window on the bus; every holder of the per-track store reloads
    // it when a change is announced.
    endpoint_ = std::make_unique<Endpoint>(QStringLiteral("TBase_main_window"), windowTitle(),
                                           [](quint32 msg, qint64 wParam, qint64) -> qint64 {
                                               handleDatabaseMessage(trackStore(), msg, wParam);
                                               return 0;
                                           });
    if (cmd_.libraryGiven) {
        QString why;
        if (!model_.load(cmd_.libraryName, &why))
            prompts().notify(PromptKind::Error, QStringLiteral("Error"), why);
    }
    libraryChanged();
}

TBaseMainWindow::~TBaseMainWindow() = default;

void TBaseMainWindow::buildWidgets(PreviewDeck* deck) {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    auto* lay = new QVBoxLayout(central);

    auto button = [&](const char* name, const QString& caption, auto slot) {
        auto* b = new QPushButton(caption, central);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    auto* bar = new QHBoxLayout;
    bar->addWidget(
        button("btAddFolder", QStringLiteral("Добавить папку"), [this] { addFolder(); }));
    bar->addWidget(button("btAddFile", QStringLiteral("Добавить файл"), [this] { addFiles(); }));
    bar->addWidget(button("btCheck", QStringLiteral("Проверить базу"), [this] { checkLibrary(); }));
    bar->addWidget(button("btClear", QStringLiteral("Очистить"), [this] { clearLibrary(); }));
    bar->addWidget(button("btOptions", QStringLiteral("Настройки"), [this] { showOptions(); }));
    statButton_ = button("btStat", QStringLiteral("Статистика"), [this] { showStatistics(); });
    bar->addWidget(statButton_);
    bar->addWidget(
        button("btSavePlaylist", QStringLiteral("Сохранить плейлист"), [this] { savePlaylist(); }));
    bar->addWidget(
        button("btToPlayer", QStringLiteral("В плеер"), [this] { sendSelectedToPlayer(); }));
    auto* target = new QToolButton(central);
    target->setObjectName(QStringLiteral("btTarget"));
    target->setArrowType(Qt::DownArrow);
    targetMenu_ = new SendTargetMenu(target);
    target->setMenu(targetMenu_);
    target->setPopupMode(QToolButton::InstantPopup);
    bar->addWidget(target);
    bar->addWidget(button("btSave", QStringLiteral("Сохранить"), [this] { saveLibrary(); }));
    bar->addWidget(button("btLoad", QStringLiteral("Загрузить"), [this] { loadLibrary(); }));
    bar->addStretch();
    lay->addLayout(bar);

    search_ = new SearchFields(central);
    search_->setObjectName(QStringLiteral("searchFields"));
    connect(search_, &SearchFields::searchRequested, this, [this] {
        if (searchButton_->isEnabled()) runSearch();
    });
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(search_, 1);
    searchButton_ = button("btSearch", QStringLiteral("Поиск"), [this] { runSearch(); });
    searchRow->addWidget(searchButton_);
    searchRow->addWidget(button("btReset", QStringLiteral("Сброс"), [this] { resetSearch(); }));
    lay->addLayout(searchRow);

    auto* counters = new QHBoxLayout;
    auto label = [&](const char* name) {
        auto* l = new QLabel(central);
        l->setObjectName(QString::fromLatin1(name));
        counters->addWidget(l);
        return l;
    };
    lbFiles_ = label("lbFiles");
    lbTime_ = label("lbTime");
    lbSelected_ = label("lbSelected");
    lbFound_ = label("lbFound");
    lbSearchTime_ = label("lbSearchTime");
    lbBase_ = label("lbBase");
    counters->addStretch();
    lay->addLayout(counters);

    table_ = new LibraryTableModel(model_, this);
    list_ = new QTableView(central);
    list_->setObjectName(QStringLiteral("ListView1"));
    list_->setModel(table_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setShowGrid(true);
    list_->setWordWrap(false);
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setSectionsClickable(true);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);
    connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int c) { sortByColumn(c); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { updateSelectedTime(); });
    lay->addWidget(list_, 1);
    connect(list_, &QTableView::doubleClicked, this, [this] {
        if (preview_) preview_->play();
    });
    if (deck) {
        PreviewPanel::Hooks hooks;
        hooks.selected = [this]() -> const TBaseEntry* {
            const std::vector<int> pos = selectedPositions();
            return pos.empty() ? nullptr : &model_.record(pos.front());
        };
        hooks.move = [this](int delta) {
            const std::vector<int> rows = selectedRows();
            if (rows.empty()) return false;
            const int to = rows.front() + delta;
            if (to < 0 || to >= table_->rowCount()) return false;
            list_->selectRow(to);
            return true;
        };
        hooks.failed = [](int error) {
            prompts().notify(PromptKind::Error, QStringLiteral("Error"),
                             previewErrorMessage(error));
        };
        preview_ = new PreviewPanel(*deck, std::move(hooks), central);
        lay->addWidget(preview_);
    }

    auto action = [&](const char* name, const QString& text, const QKeySequence& keys, auto slot) {
        auto* a = new QAction(text, list_);
        a->setObjectName(QString::fromLatin1(name));
        if (!keys.isEmpty()) a->setShortcut(keys);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(a, &QAction::triggered, this, slot);
        list_->addAction(a);
        return a;
    };
    action("miToPlayer", QStringLiteral("В плеер"), QKeySequence(Qt::CTRL | Qt::Key_P),
           [this] { sendSelectedToPlayer(); });
    action("miRemove", QStringLiteral("Удалить из списка"), QKeySequence(Qt::Key_Delete),
           [this] { removeSelected(false); });
    action("miRemoveFile", QStringLiteral("Удалить из списка и файл"),
           QKeySequence(Qt::CTRL | Qt::Key_Delete), [this] { removeSelected(true); });
    action("miCopy", QStringLiteral("Копировать файл(ы) в папку..."),
           QKeySequence(Qt::CTRL | Qt::Key_C), [this] { copySelected(); });
    action("miSelectAll", QStringLiteral("Выделить все"), QKeySequence(Qt::CTRL | Qt::Key_A),
           [this] { selectAll(); });
    action("miTagEditor", QStringLiteral("Редактор тегов id3v1..."),
           QKeySequence(Qt::ALT | Qt::Key_3), [this] { editTags(); });
    action("miRecount", QStringLiteral("Пересчитать время"), QKeySequence(),
           [this] { recountTime(); });

    auto* help = new QAction(this);
    help->setObjectName(QStringLiteral("acHelp"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    connect(help, &QAction::triggered, this, [this] { showHelp(); });
    addAction(help);
    setCentralWidget(central);
    statusBuild_ = new QLabel(this);
    statusBuild_->setObjectName(QStringLiteral("sbBuildTime"));
    statusBar()->addWidget(statusBuild_);
    progress_ = new JobProgressDialog(this);
    connect(progress_, &JobProgressDialog::cancelRequested, this, [this] { runner_.cancel(); });
    resize(1000, 640);
}

void TBaseMainWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!shownOnce_) {
        shownOnce_ = true;
        firstShow();
    }
}

void TBaseMainWindow::firstShow() {
    setOptions(readBaseOptions(IniFile(baseIniPath())));
    applyLanguage();
    if (options_.windowPos) {
        const auto& p = *options_.windowPos;
        setGeometry(p[0], p[1], p[2], p[3]);
    }
    if (options_.openLastBase && !cmd_.libraryGiven && options_.lastBaseName != "---") {
        QString why;
        if (!model_.load(options_.lastBaseName, &why))
            prompts().notify(PromptKind::Error, QStringLiteral("Error"), why);
        libraryChanged();
    }
}

void TBaseMainWindow::setOptions(const BaseOptions& o) {
    options_ = o;
    applyOptions();
}

void TBaseMainWindow::applyOptions() {
    search_->setQuickSearch(options_.quickSearch);
    table_->setColours(options_.colors);
    for (int i = 0; i < kColumnCount; ++i)
        list_->setColumnWidth(i, options_.columnWidths[size_t(i)]);
    targetMenu_->setTarget({options_.sendToMain, options_.sendPosition});
    if (preview_) {
        preview_->setVolumeOption(options_.volume);
        preview_->setMonType(options_.monType);
    }
    if (!options_.fontName.isEmpty() || options_.fontSize > 0) {
        QFont f = list_->font();
        if (!options_.fontName.isEmpty()) f.setFamily(options_.fontName);
        if (options_.fontSize > 0) f.setPointSize(options_.fontSize);
        f.setBold(options_.fontStyle & 2);
        f.setItalic(options_.fontStyle & 4);
        f.setUnderline(options_.fontStyle & 8);
        f.setStrikeOut(options_.fontStyle & 16);
        list_->setFont(f);
    }
    const QString colour = QStringLiteral("color: #%1%2%3")
                               .arg(options_.counterColor & 0xFF, 2, 16, QChar('0'))
                               .arg((options_.counterColor >> 8) & 0xFF, 2, 16, QChar('0'))
                               .arg((options_.counterColor >> 16) & 0xFF, 2, 16, QChar('0'));
    for (QLabel* l : {lbFiles_, lbTime_, lbSelected_, lbFound_, lbSearchTime_, lbBase_})
        l->setStyleSheet(colour);
}

bool TBaseMainWindow::writeBaseIni() {
    BaseOptions o = options_;
    const SendTarget t = targetMenu_->target();
    o.sendToMain = t.toMain;
    o.sendPosition = t.position;
    for (int i = 0; i < kColumnCount; ++i)
        o.columnWidths[size_t(i)] = list_->columnWidth(i);
    o.lastBaseName = model_.libraryName().isEmpty() ? QStringLiteral("---") : model_.libraryName();
    o.windowPos = std::array<int, 4>{x(), y(), width(), height()};
    if (preview_) o.volume = preview_->volumeOption();
    IniFile ini(baseIniPath());
    writeBaseOptions(o, ini);
    QString why;
    if (!ini.save(&why)) {
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), why);
        return false;
    }
    return true;
}

void TBaseMainWindow::closeEvent(QCloseEvent* e) {
    if (runner_.running()) {
        // A job holds the records; it is cancelled and the window closes once it has ended.
        closeAfterJob_ = true;
        runner_.cancel();
        e->ignore();
        return;
    }
    if (!confirmDiscard(model_, [this] { return saveLibrary(); })) {
        e->ignore();
        return;
    }
    if (!cmd_.hidden) writeBaseIni();
    e->accept();
}

void TBaseMainWindow::applyLanguage() {
    TSystemIni sys;
    ReadSystemIni(sys);
    langDir_ = sys.LangDir;
    setBaseLanguage(readBaseLanguage(baseLanguagePath(langDir_)));
    const BaseLanguage& lang = baseLanguage();
    if (!lang.loaded) return;
    const QString title = windowTitle();
    applyCaptions(this, lang.captions.value(QStringLiteral("Main.Captions")));
    applyCaptions(this, lang.captions.value(QStringLiteral("Main.Menus")));
    // The pop-up send item says what the button says.
    if (auto* b = findChild<QPushButton*>(QStringLiteral("btToPlayer")))
        if (auto* a = findChild<QAction*>(QStringLiteral("miToPlayer"))) a->setText(b->text());
    applyCaptions(progress_, lang.captions.value(QStringLiteral("Progress.Captions")));
    table_->setCaptions(lang.columns);
    if (windowTitle() != title)
        setWindowTitle(windowTitle() + QStringLiteral(" (") + FileVersionText(QString()) + ')');
}

void TBaseMainWindow::showHelp() {
    const QString file = baseHelpPath(langDir_);
    if (!QFileInfo::exists(file)) {
        logLine(QStringLiteral("No help file: ") + file);
        return;
    }
    if (!chooser_.showDocument(file))
        logLine(QStringLiteral("No viewer took the help file: ") + file);
}

// --- jobs ------------------------------------------------------------------------------

void TBaseMainWindow::startJob(std::unique_ptr<Job> job, const QString& caption,
                               std::function<void(Job&)> done) {
    model_.setJobActive(true);
    centralWidget()->setEnabled(false);
    progress_->show(caption);
    runner_.start(
        std::move(job),
        [this](const Job& j) {
            progress_->update(j.operation(), j.detail(), j.percent(), runner_.elapsedMs());
            lbFiles_->setText(QStringLiteral("Файлов: %1").arg(model_.count()));
        },
        [this, done = std::move(done)](Job& j) {
            model_.setJobActive(false);
            progress_->finish();
            centralWidget()->setEnabled(true);
            if (runner_.failed())
                prompts().notify(PromptKind::Error, QStringLiteral("Error"),
                                 QStringLiteral("Function: %1\r\nThe operation stopped on an "
                                                "error.\r\n\r\nSaved file %2 with error "
                                                "description.")
                                     .arg(j.operation(), errorLogPath()));
            if (done && !closeAfterJob_) done(j);
            libraryChanged();
            if (closeAfterJob_) {
                closeAfterJob_ = false;
                timerHost().post([this] { close(); });
            }
        });
}

void TBaseMainWindow::startAdd(const QStringList& folders, const QStringList& files,
                               bool forceCountOnce) {
    if (runner_.running()) return;
    const int before = model_.count();
    const qint64 started = clock().tickMs();
    auto job = std::make_unique<AddJob>(model_, folders, files,
                                        AddOptions{options_.noEmpty, options_.parseFileName});
    startJob(std::move(job), str::addTracks(), [=, this](Job& j) {
        auto& add = static_cast<AddJob&>(j);
        const QString summary = add.summary(!options_.noError);
        if (!summary.isEmpty())
            prompts().notify(PromptKind::Warning, QStringLiteral("Base"), summary);
        const qint64 s = (clock().tickMs() - started) / 1000;
        if (!folders.isEmpty()) {
            statusBuild_->setText(QString::asprintf("Build time: %lld:%02lld:%02lld", s / 3600,
                                                    (s / 60) % 60, s % 60));
            if (!buildTimeClear_)
                buildTimeClear_ = timerHost().createTimer(QStringLiteral("base.buildtime"),
                                                          [this] { statusBuild_->clear(); });
            buildTimeClear_->startOnce(30000);
        }
        if (!(forceCountOnce || options_.countTime)) return;
        std::vector<int> added;
        for (int i = before; i < model_.count(); ++i)
            added.push_back(i);
        if (added.empty()) return;
        const bool once = forceCountOnce || options_.checkTimeOnce;
        // Records left unmeasured by a cancelled pass are measured along with the new ones.
        timerHost().post([this, added = std::move(added), once] {
            startJob(std::make_unique<CountJob>(model_, added, once, probe_, workers_.get()),
                     str::addTracks(), {});
        });
    });
}

// --- commands ----------------------------------------------------------------------------

void TBaseMainWindow::addFolder(const QString& given) {
    const QString folder =
        given.isEmpty() ? chooser_.folder(this, QStringLiteral("Select Directory"), lastAddFolder_)
                        : given;
    if (folder.isEmpty()) return;
    lastAddFolder_ = folder;
    startAdd({folder}, {}, false);
}

void TBaseMainWindow::addFiles(const QStringList& given) {
    const QStringList files = given.isEmpty() ? chooser_.openFiles(this, audioFilter()) : given;
    if (files.isEmpty()) return;
    startAdd({}, files, true);
}

void TBaseMainWindow::addDropped(const QStringList& paths) {
    QStringList folders, files;
    for (const QString& p : paths) {
        if (QFileInfo(p).isDir())
            folders << p;
        else if (isAddableDrop(p))
            files << p;
    }
    if (folders.isEmpty() && files.isEmpty()) return;
    startAdd(folders, files, folders.isEmpty());
}

void TBaseMainWindow::checkLibrary() {
    if (runner_.running()) return;
    if (prompts().ask(PromptKind::Question, QStringLiteral("Check Base"), str::askCheckBase(),
                      {PromptYes, PromptNo}, PromptNo) != PromptYes)
        return;
    startJob(std::make_unique<CheckJob>(model_), QStringLiteral("Checking files..."),
             [this](Job& j) { resolveCheck(model_, static_cast<CheckJob&>(j)); });
}

void TBaseMainWindow::clearLibrary() {
    if (!model_.clear()) return;
    search_->clear();
    libraryChanged();
}

bool TBaseMainWindow::saveLibrary() {
    if (runner_.running()) return false;
    const QString start = model_.libraryName() == "---" ? QString() : model_.libraryName();
    const QString file = chooser_.saveFile(this, kLibraryFilter, start, QStringLiteral("dfs"));
    if (file.isEmpty()) return false;
    QString why;
    if (!model_.save(file, &why)) {
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), why);
        return false;
    }
    updateCounters();
    return true;
}

bool TBaseMainWindow::loadLibrary(const QString& given) {
    if (runner_.running()) return false;
    if (!confirmDiscard(model_, [this] { return saveLibrary(); })) return false;
    const QString start = model_.libraryName() == "---" ? QString() : model_.libraryName();
    const QString file = given.isEmpty() ? chooser_.openFile(this, kLibraryFilter, start) : given;
    if (file.isEmpty()) return false;
    QString why;
    if (!model_.load(file, &why)) {
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), why);
        return false;
    }
    search_->clear();
    libraryChanged();
    return true;
}

void TBaseMainWindow::runSearch() {
    const qint64 started = clock().tickMs();
    model_.search(search_->query());
    table_->refresh();
    lbFound_->setText(QStringLiteral("Найдено: %1").arg(model_.view().size()));
    lbSearchTime_->setText(
        QString::asprintf("Время поиска: %.2f", double(clock().tickMs() - started) / 1000.0));
    updateSelectedTime();
}

void TBaseMainWindow::resetSearch() {
    model_.reset();
    search_->clear();
    lbFound_->setText(QStringLiteral("Найдено: 0"));
    lbSearchTime_->setText(QStringLiteral("Время поиска: 0.00"));
    table_->refresh();
    updateSelectedTime();
}

void TBaseMainWindow::sortByColumn(int column) {
    if (runner_.running()) return;
    search_->clear();
    if (!model_.sortBy(column)) return;
    lbFound_->setText(QStringLiteral("Найдено: 0"));
    table_->refresh();
}

std::vector<int> TBaseMainWindow::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& i : list_->selectionModel()->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<int> TBaseMainWindow::selectedPositions() const {
    std::vector<int> out;
    for (int r : selectedRows())
        if (size_t(r) < model_.view().size()) out.push_back(model_.view()[size_t(r)]);
    return out;
}

void TBaseMainWindow::removeSelected(bool withFiles) {
    if (runner_.running()) return;
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) return;
    const int keepRow = rows.front();
    if (withFiles) {
        if (prompts().ask(PromptKind::Question, QString(), str::askDelFile(), {PromptYes, PromptNo},
                          PromptNo) != PromptYes)
            return;
        const QStringList failures = trashRecords(model_, selectedPositions());
        if (!failures.isEmpty())
            prompts().notify(PromptKind::Error, QStringLiteral("Error"),
                             QStringLiteral("%1 files could not be moved to the trash and stay "
                                            "in the library:\n%2")
                                 .arg(failures.size())
                                 .arg(failures.mid(0, 10).join('\n')));
    } else {
        model_.remove(selectedPositions());
    }
    libraryChanged();
    if (keepRow < table_->rowCount()) list_->selectRow(keepRow);
}

void TBaseMainWindow::copySelected() {
    if (runner_.running()) return;
    const std::vector<int> pos = selectedPositions();
    if (pos.empty()) return;
    const QString folder =
        chooser_.folder(this, QStringLiteral("Select Directory"), lastCopyFolder_);
    if (folder.isEmpty()) return;
    lastCopyFolder_ = folder;
    QStringList sources;
    for (int p : pos)
        sources << model_.record(p).fileName;
    startJob(std::make_unique<CopyJob>(sources, folder, options_.overwriteOnCopy),
             QStringLiteral("Copying files..."), [](Job& j) {
                 const QString s = static_cast<CopyJob&>(j).summary();
                 if (!s.isEmpty())
                     prompts().notify(PromptKind::Error, QStringLiteral("Error: cannot copy file"),
                                      s);
             });
}

void TBaseMainWindow::selectAll() {
    list_->selectAll();
    updateSelectedTime();
}

void TBaseMainWindow::recountTime() {
    if (runner_.running()) return;
    // A pass that was cancelled goes on where it stopped; a new pass starts only when none is
    // left unfinished.
    const bool resume = model_.lengthPendingCount() > 0;
    if (!resume && model_.view().empty()) return;
    startJob(std::make_unique<CountJob>(model_, resume ? std::vector<int>{} : model_.view(),
                                        options_.checkTimeOnce, probe_, workers_.get()),
             str::addTracks(), {});
}

void TBaseMainWindow::savePlaylist() {
    const QString file = chooser_.saveFile(this, kPlaylistFilter, QString(), QStringLiteral("m3u"));
    if (file.isEmpty()) return;
    QStringList skipped;
    QString why;
    if (!exportM3u(file, model_, rowsToSend(model_, selectedRows()), &skipped, &why))
        prompts().notify(PromptKind::Error, QStringLiteral("Error"), why);
    else if (!skipped.isEmpty())
        prompts().notify(PromptKind::Warning, QStringLiteral("Base"),
                         QStringLiteral("%1 files were left out: their names hold a line "
                                        "break.\n%2")
                             .arg(skipped.size())
                             .arg(skipped.front()));
}

void TBaseMainWindow::sendSelectedToPlayer() {
    const SendResult r = sendToPlayer(model_, rowsToSend(model_, selectedRows()), programDir(),
                                      playerWindow_, targetMenu_->target());
    if (r.player != 0) playerWindow_ = r.player;
    if (r.outcome != SendOutcome::Sent)
        prompts().notify(PromptKind::Warning, QStringLiteral("Base"), r.message);
}

void TBaseMainWindow::editTags() {
    if (runner_.running()) return;
    const std::vector<int> pos = selectedPositions();
    if (pos.empty()) return;
    TagEditDialog dialog(model_, pos, options_.tagNoChangeGenre, this);
    chooser_.exec(dialog);
    options_.tagNoChangeGenre = dialog.keepGenreChecked();
    table_->repaintRows();
    updateCounters();
}

void TBaseMainWindow::showStatistics() {
    if (!statButton_->isEnabled()) return;
    statButton_->setEnabled(false);
    StatsDialog dialog(model_.records(), lbTime_->text(), this);
    chooser_.exec(dialog);
    // The dialog waits for its worker before it goes; the button comes back after that.
    statButton_->setEnabled(true);
}

void TBaseMainWindow::showOptions() {
    OptionsDialog dialog(options_, chooser_, this);
    connect(&dialog, &OptionsDialog::changed, this,
            [this, &dialog] { setOptions(dialog.options()); });
    chooser_.exec(dialog);
    setOptions(dialog.options());
    table_->repaintRows();
}

// --- list events ---------------------------------------------------------------------------

void TBaseMainWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TBaseMainWindow::dropEvent(QDropEvent* e) {
    QStringList paths;
    for (const QUrl& u : e->mimeData()->urls())
        if (u.isLocalFile()) paths << u.toLocalFile();
    addDropped(paths);
    e->acceptProposedAction();
}

bool TBaseMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonRelease)
        updateSelectedTime();
    // Enter in the list plays the selected row, as a double click does.
    if (watched == list_ && event->type() == QEvent::KeyPress && preview_) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            preview_->play();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- counters ----------------------------------------------------------------------------

void TBaseMainWindow::libraryChanged() {
    // The selection stays at the same row numbers, as far as rows remain there.
    const std::vector<int> rows = selectedRows();
    table_->refresh();
    QItemSelection keep;
    for (int r : rows)
        if (r < table_->rowCount())
            keep.select(table_->index(r, 0), table_->index(r, table_->columnCount() - 1));
    list_->selectionModel()->select(keep, QItemSelectionModel::Select);
    if (!model_.searchShown()) lbFound_->setText(QStringLiteral("Найдено: 0"));
    updateCounters();
}

void TBaseMainWindow::updateCounters() {
    lbFiles_->setText(QStringLiteral("Файлов: %1").arg(model_.count()));
    lbTime_->setText(QStringLiteral("Время: ") + totalTimeText(model_.records()));
    lbBase_->setText(QStringLiteral("База: ") + (model_.libraryName().isEmpty()
                                                     ? QStringLiteral("---")
                                                     : model_.libraryName()));
    updateSelectedTime();
}

void TBaseMainWindow::updateSelectedTime() {
    lbSelected_->setText(QStringLiteral("Выделено: ") +
                         totalTimeText(model_.records(), selectedPositions()));
}

} // namespace wc::base
