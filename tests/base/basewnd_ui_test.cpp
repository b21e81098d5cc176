// The library window offscreen: adding a generated tree with a link loop, the check with an
// unmounted folder, a several-file tag edit, saving onto a full disk, copying a file onto
// itself, "В плеер" into a running player, search, sort and the close question.
#include "audiofiles.h"
#include "base/core/baselanguage.h"
#include "base/core/building.h"
#include "base/core/lengthworkers.h"
#include "base/ui/filechooser.h"
#include "base/ui/optionsdialog.h"
#include "base/ui/previewpanel.h"
#include "base/ui/statsdialog.h"
#include "base/ui/statspie.h"
#include "base/ui/tageditdialog.h"
#include "base/ui/tbasemainwindow.h"
#include "basefixture.h"
#include "common/messages.h"
#include "common/paths.h"
#include "common/simloop.h"
#include "platform/messagebus.h"
#include "platform/prompts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <csignal>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace wc;
using namespace wc::base;
using basetest::entry;
using basetest::GatedProbe;
using basetest::id3v1;
using basetest::readFile;
using basetest::writeFile;

namespace {

class FakeChooser final : public FileChooser {
public:
    std::deque<QString> answers; // folders and file names in the order they will be asked
    QString next() {
        if (answers.empty()) return {};
        QString a = answers.front();
        answers.pop_front();
        return a;
    }
    QString folder(QWidget*, const QString&, const QString&) override { return next(); }
    QStringList openFiles(QWidget*, const QString&) override {
        const QString a = next();
        return a.isEmpty() ? QStringList{} : a.split('|');
    }
    QString openFile(QWidget*, const QString&, const QString&) override { return next(); }
    QString saveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return next();
    }
    // The font and colour dialogs answer what is set here (nothing: cancelled) and remember
    // what they were opened with.
    std::optional<QFont> fontAnswer;
    std::optional<QColor> colourAnswer;
    QFont fontAsked;
    QColor colourAsked;
    std::optional<QFont> font(QWidget*, const QFont& start) override {
        fontAsked = start;
        return fontAnswer;
    }
    std::optional<QColor> colour(QWidget*, const QColor& start) override {
        colourAsked = start;
        return colourAnswer;
    }
    // A modal window is handed to onDialog, which acts in it and closes it.
    std::function<int(QDialog&)> onDialog;
    int exec(QDialog& d) override { return onDialog ? onDialog(d) : QDialog::Rejected; }
    QStringList documents;
    bool showDocument(const QString& path) override {
        documents << path;
        return true;
    }
};

class FakeProbe final : public FileDurationMs {
public:
    qint32 durationMs(const QString& f) override { return 1000 + qint32(f.size()); }
};

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("WAVECREST_HOME", home.path().toUtf8());
        qputenv("WAVECREST_RUNTIME_DIR", runtime.path().toUtf8());
        setProgramDirFrom(QStringLiteral("/nonexistent/base"));
        setClock(&loop);
        setTimerHost(&loop);
        setPrompts(&rec);
        store = std::make_unique<MyDatabase>(home.filePath("Database/Files.Dat"));
        store->setNotifier([](quint8) {});
        setTrackStore(store.get());
    }
    void TearDown() override {
        setTrackStore(nullptr);
        setPrompts(nullptr);
        setClock(nullptr);
        setTimerHost(nullptr);
        qunsetenv("WAVECREST_HOME");
        qunsetenv("WAVECREST_RUNTIME_DIR");
    }
    template <class W> W* child(QWidget& w, const char* name) {
        W* c = w.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    void click(QWidget& w, const char* name) { child<QPushButton>(w, name)->click(); }
    void trigger(QWidget& w, const char* name) { child<QAction>(w, name)->trigger(); }
    // Runs the window's jobs to their end on simulated time. While a job waits for its
    // measuring workers (real threads), simulated time stands still.
    void finishJobs(TBaseMainWindow& w) {
        ASSERT_TRUE(runJobs(w, [&] { return !w.jobRunning(); }));
        loop.drainPosted();
        ASSERT_TRUE(runJobs(w, [&] { return !w.jobRunning(); }));
    }
    bool runJobs(TBaseMainWindow& w, const std::function<bool()>& until) {
        qint64 simulated = 0;
        for (long spins = 0; spins < 200000000L; ++spins) {
            if (until()) return true;
            if (w.jobWaiting()) {
                loop.drainPosted();
                std::this_thread::yield();
                continue;
            }
            if (simulated >= 600000) return false;
            loop.runFor(10);
            simulated += 10;
        }
        return false;
    }
    void selectRows(TBaseMainWindow& w, std::initializer_list<int> rows) {
        w.list()->clearSelection();
        for (int r : rows)
            w.list()->selectionModel()->select(w.list()->model()->index(r, 0),
                                               QItemSelectionModel::Select |
                                                   QItemSelectionModel::Rows);
    }
    int asked() const {
        int n = 0;
        for (const auto& s : rec.shown)
            n += s.asked;
        return n;
    }
    QTemporaryDir home, runtime, music;
    SimLoop loop;
    RecordingPrompts rec;
    FakeChooser chooser;
    FakeProbe probe;
    std::unique_ptr<MyDatabase> store;
};

} // namespace

TEST_F(Window, AddsAGeneratedTreeWithALinkLoopSortedAndMeasured) {
    const QString r = music.path();
    for (int f = 0; f < 6; ++f)
        for (int t = 0; t < 5; ++t)
            writeFile(QString("%1/folder%2/t%3.mp3").arg(r).arg(5 - f).arg(4 - t),
                      id3v1(QByteArray("Song ") + char('A' + t), "Artist"));
    ASSERT_EQ(::symlink(r.toUtf8().constData(), (r + "/folder1/up").toUtf8().constData()), 0);
    writeFile(r + "/.Trash-0/files/x.mp3", id3v1("x", "y"));
    TBaseMainWindow w({}, probe, chooser);
    w.show();
    chooser.answers = {r};
    click(w, "btAddFolder");
    ASSERT_TRUE(w.jobRunning());
    // While the job runs the commands are closed to the user.
    EXPECT_FALSE(w.centralWidget()->isEnabled());
    finishJobs(w);
    EXPECT_TRUE(w.centralWidget()->isEnabled());
    ASSERT_EQ(w.library().count(), 30);
    EXPECT_EQ(w.library().record(0).fileName, r + "/folder0/t0.mp3");
    EXPECT_EQ(w.library().record(29).fileName, r + "/folder5/t4.mp3");
    EXPECT_EQ(w.library().record(0).title, "Song E");
    // Measured right after the add (CountTime on).
    for (const auto& e : w.library().records())
        EXPECT_EQ(e.durationMs, quint32(1000 + e.fileName.size()));
    EXPECT_TRUE(w.library().modified());
    EXPECT_EQ(child<QLabel>(w, "lbFiles")->text(), "Файлов: 30");
    EXPECT_EQ(w.list()->model()->rowCount(), 30);
    EXPECT_TRUE(child<QLabel>(w, "sbBuildTime")->text().startsWith("Build time: "));
    // Cancel in the progress window during the scan: what was found is still added.
    TBaseMainWindow w2({}, probe, chooser);
    w2.show();
    chooser.answers = {r};
    click(w2, "btAddFolder");
    loop.runFor(1);
    QTest::keyClick(w2.findChild<QDialog*>("TProgressForm"), Qt::Key_Escape);
    finishJobs(w2);
    EXPECT_LE(w2.library().count(), 30);
    // Closing during a job cancels it and closes once it has ended (the question first).
    chooser.answers = {r};
    click(w2, "btAddFolder");
    ASSERT_TRUE(w2.jobRunning());
    rec.answers = {PromptNo};
    w2.close();
    EXPECT_TRUE(w2.isVisible());
    finishJobs(w2);
    loop.drainPosted();
    EXPECT_FALSE(w2.isVisible());
}

TEST_F(Window, CheckWithAnUnmountedFolderRemovesNothingWithoutTheSecondYes) {
    const QString present = music.filePath("here.mp3");
    writeFile(present, id3v1("t", "a"));
    TBaseMainWindow w({}, probe, chooser);
    w.show();
    w.library().append(entry("a", "here", present));
    for (int i = 0; i < 4; ++i)
        w.library().append(entry("a", QString::number(i),
                                 QString("/media/share-not-mounted/music/%1.mp3").arg(i)));
    rec.answers = {PromptYes, PromptYes, PromptNo};
    click(w, "btCheck");
    finishJobs(w);
    EXPECT_EQ(w.library().count(), 5);
    EXPECT_EQ(asked(), 3);
    ASSERT_GE(rec.shown.size(), 3u);
    EXPECT_TRUE(rec.shown[1].text.startsWith("4 of 5 files are missing. Remove them?"));
    EXPECT_TRUE(rec.shown[2].text.contains("/media/share-not-mounted/music"));
    rec.shown.clear();
    rec.answers = {PromptYes, PromptYes, PromptYes};
    click(w, "btCheck");
    finishJobs(w);
    EXPECT_EQ(w.library().count(), 1);
    EXPECT_EQ(w.library().record(0).title, "here");
    EXPECT_EQ(child<QLabel>(w, "lbFiles")->text(), "Файлов: 1");
}

TEST_F(Window, SeveralFileTagEditChangesOnlyTheYear) {
    basetest::TaggedFiles f;
    ASSERT_TRUE(f.made);
    const std::array<QString, 6> before[] = {basetest::fileTag(f.mp3), basetest::fileTag(f.ogg),
                                             basetest::fileTag(f.wma)};
    LibraryModel m;
    for (const QString& p : {f.mp3, f.ogg, f.wma})
        m.append(entry("stale", "stale", p));
    TagEditDialog d(m, {0, 1, 2}, false);
    EXPECT_FALSE(d.storeEnabled());
    auto* year = d.findChild<QLineEdit*>("edYear");
    ASSERT_NE(year, nullptr);
    EXPECT_TRUE(year->text().isEmpty()); // several files start from an empty tag
    QTest::keyClicks(year, "2024");
    d.accept();
    EXPECT_EQ(d.result().written, 3);
    const QString files[] = {f.mp3, f.ogg, f.wma};
    for (int i = 0; i < 3; ++i) {
        std::array<QString, 6> want = before[i];
        want[3] = "2024";
        EXPECT_EQ(basetest::fileTag(files[i]), want) << files[i].toStdString();
        EXPECT_EQ(m.record(i).year, "2024");
        EXPECT_EQ(m.record(i).title, want[0]);
    }
    // The single-file editor opens with the file's own tag and edits the per-track values.
    TagEditDialog one(m, {1}, false);
    EXPECT_TRUE(one.storeEnabled());
    EXPECT_EQ(one.findChild<QLineEdit*>("edAlbum")->text(), "L2");
    one.findChild<QLineEdit*>("edPlayCount")->setText("not a number");
    one.findChild<QLineEdit*>("edBpm")->setText("128");
    one.accept();
    EXPECT_EQ(trackStore().GetTrackRecord(f.ogg).bpm, 128);
    EXPECT_EQ(trackStore().GetTrackRecord(f.ogg).playCount, 0);
}

TEST_F(Window, SavingOntoAFullDiskKeepsTheOldLibraryAndTheWindowOpen) {
    const QString lib = music.filePath("lib.dfs");
    TBaseEntryArr old;
    for (int i = 0; i < 3; ++i)
        old.push_back(entry("a", QString::number(i)));
    ASSERT_TRUE(writeLibraryFile(lib, old));
    const QByteArray before = readFile(lib);
    TBaseMainWindow w({lib}, probe, chooser);
    w.show();
    for (int i = 0; i < 30; ++i)
        w.library().append(entry("n", QString::number(i)));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    chooser.answers = {lib};
    click(w, "btSave");
    // Closing: Yes to saving, and the save fails again: the window stays.
    chooser.answers = {lib};
    rec.answers = {PromptYes};
    w.close();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(readFile(lib), before);
    EXPECT_TRUE(w.library().modified());
    EXPECT_TRUE(w.isVisible());
    ASSERT_FALSE(rec.shown.empty());
    EXPECT_EQ(rec.shown[0].kind, PromptKind::Error);
    // Cancel keeps it open too; a save that works lets it close.
    rec.answers = {PromptCancel};
    w.close();
    EXPECT_TRUE(w.isVisible());
    chooser.answers = {lib};
    rec.answers = {PromptYes};
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(readLibraryFile(lib).size(), 33u);
}

TEST_F(Window, CopyingAFileOntoItselfKeepsTheOriginal) {
    const QString a = music.filePath("a.mp3");
    writeFile(a, QByteArray(3000, 'x') + id3v1("t", "a"));
    const QByteArray original = readFile(a);
    TBaseMainWindow w({}, probe, chooser);
    w.show();
    w.library().append(entry("a", "t", a));
    w.library().append(entry("a", "t", a)); // the same file twice in one batch
    w.list()->model()->layoutChanged();
    selectRows(w, {0, 1});
    for (bool overwrite : {false, true}) {
        BaseOptions o = w.options();
        o.overwriteOnCopy = overwrite;
        w.setOptions(o);
        rec.shown.clear();
        chooser.answers = {music.path()};
        w.copySelected();
        finishJobs(w);
        EXPECT_EQ(readFile(a), original) << overwrite;
        ASSERT_EQ(rec.shown.size(), 1u) << overwrite; // one summary, not one box per file
        EXPECT_TRUE(rec.shown[0].text.contains("the same file")) << overwrite;
    }
}

TEST_F(Window, SendToPlayerPutsTheRowsAtTheChosenTargetAndPosition) {
    std::vector<std::pair<qint64, qint64>> got;
    std::vector<QString> items;
    Endpoint player("TForm1", "Wavecrest", [&](quint32 msg, qint64 wp, qint64 lp) -> qint64 {
        if (msg == MSG_PING) return kPlayerPingAnswer;
        if (msg != MSG_LOAD_QUEUE) return 0;
        got.push_back({wp, lp});
        for (const auto& e : readM3uFile(handOverPath(home.path(), HandOver::DbTemp)))
            items.push_back(e.path);
        return 1;
    });
    // Started from the player with a handle that is no longer the player's.
    TBaseMainWindow w({"fromplayer", "424242", ""}, probe, chooser);
    w.show();
    for (const char* n : {"/m/0.mp3", "/m/1.mp3", "/m/2.mp3", "/m/3.mp3"})
        w.library().append(entry("a", n, n, 1000));
    w.list()->model()->layoutChanged();
    w.library().sortBy(ColFileName); // descending: 3, 2, 1, 0
    w.list()->model()->layoutChanged();
    selectRows(w, {3, 1});
    child<QAction>(w, "miPos3")->trigger();
    child<QAction>(w, "miToTemp")->trigger();
    click(w, "btToPlayer");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].first, 1);
    EXPECT_EQ(got[0].second, 2 | (3 << 16));
    EXPECT_EQ(items, (std::vector<QString>{"/m/2.mp3", "/m/0.mp3"}));
    EXPECT_EQ(w.playerWindow(), player.handle());
    // Nothing selected: every shown row, to the end of the main list.
    w.list()->clearSelection();
    child<QAction>(w, "miPos1")->trigger();
    child<QAction>(w, "miToMain")->trigger();
    trigger(w, "miToPlayer");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].second, 1 | (1 << 16));
    EXPECT_EQ(items.size(), 6u);
}

TEST_F(Window, QuickSearchSortByHeaderAndCounters) {
    TBaseMainWindow w({}, probe, chooser);
    w.show();
    w.library().append(entry("Abba", "x", "/m/x.mp3", 61000));
    w.library().append(entry("Beta", "y", "/m/y.ogg", 0));
    w.library().append(entry("Abcd", "z", "/m/z.wma", 2000));
    w.resetSearch();
    auto* artist = child<QLineEdit>(w, "edArtist");
    artist->setFocus();
    QTest::keyClick(artist, 'a');
    EXPECT_EQ(w.list()->model()->rowCount(), 3); // "Beta" holds an "a" too
    QTest::keyClick(artist, 'b');
    EXPECT_EQ(child<QLabel>(w, "lbFound")->text(), "Найдено: 2");
    QTest::keyClick(artist, 'b');
    EXPECT_EQ(w.list()->model()->rowCount(), 1);
    // A cursor key runs no search: a change made meanwhile stays unseen until the next one.
    w.library().update(1, entry("Abbott", "q", "/m/q.mp3", 1000));
    QTest::keyClick(artist, Qt::Key_Left);
    EXPECT_EQ(w.list()->model()->rowCount(), 1);
    QTest::keyClick(artist, Qt::Key_Return);
    EXPECT_EQ(w.list()->model()->rowCount(), 2);
    // The header: first click descends, the second ascends, the search is reset.
    w.list()->horizontalHeader()->sectionClicked(ColArtist);
    EXPECT_TRUE(artist->text().isEmpty());
    ASSERT_EQ(w.list()->model()->rowCount(), 3);
    EXPECT_EQ(w.list()->model()->index(0, ColArtist).data().toString(), "Abcd");
    w.list()->horizontalHeader()->sectionClicked(ColArtist);
    EXPECT_EQ(w.list()->model()->index(0, ColArtist).data().toString(), "Abba");
    // Row colours by type, and the totals.
    const QModelIndex wma = w.list()->model()->index(2, 0);
    EXPECT_EQ(wma.data(Qt::DisplayRole).toString(), "Abcd");
    EXPECT_EQ(w.list()->model()->index(1, 0).data(Qt::ForegroundRole).value<QColor>(),
              QColor(0, 0, 0));
    EXPECT_EQ(wma.data(Qt::ForegroundRole).value<QColor>(), QColor(0x80, 0, 0));
    w.selectAll();
    EXPECT_EQ(child<QLabel>(w, "lbSelected")->text(), "Выделено: 0:01:04");
}

TEST_F(Window, RemovingRowsGoesByIdentityAndMarksTheLibraryModified) {
    const QString lib = music.filePath("lib.dfs");
    TBaseEntryArr recs;
    for (int i = 0; i < 6; ++i)
        recs.push_back(entry("a", QString::number(i)));
    ASSERT_TRUE(writeLibraryFile(lib, recs));
    TBaseMainWindow w({lib}, probe, chooser);
    w.show();
    ASSERT_EQ(w.library().count(), 6);
    EXPECT_FALSE(w.library().modified());
    selectRows(w, {4, 1, 2});
    trigger(w, "miRemove");
    ASSERT_EQ(w.library().count(), 3);
    EXPECT_EQ(w.library().record(0).title, "0");
    EXPECT_EQ(w.library().record(1).title, "3");
    EXPECT_EQ(w.library().record(2).title, "5");
    EXPECT_TRUE(w.library().modified());
    // Loading asks about the unsaved changes; Cancel keeps them.
    rec.answers = {PromptCancel};
    EXPECT_FALSE(w.loadLibrary(lib));
    EXPECT_EQ(w.library().count(), 3);
    rec.answers = {PromptNo};
    EXPECT_TRUE(w.loadLibrary(lib));
    EXPECT_EQ(w.library().count(), 6);
    EXPECT_FALSE(w.library().modified());
    // Adding single files marks the library modified too.
    const QString one = music.filePath("one.mp3");
    writeFile(one, id3v1("One", "Single"));
    w.addFiles({one});
    finishJobs(w);
    EXPECT_EQ(w.library().count(), 7);
    EXPECT_TRUE(w.library().modified());
    EXPECT_EQ(w.library().record(6).durationMs, quint32(1000 + one.size()));
}

TEST_F(Window, StatisticsAndOptions) {
    TBaseEntryArr recs{entry("a", "b", "/x.mp3", 120000), entry("c", "d", "/y.ogg", 60000)};
    {
        StatsDialog d(recs, "0:03:00", nullptr);
        d.joinWorker();
        loop.drainPosted();
        ASSERT_TRUE(d.finished());
        EXPECT_EQ(d.findChild<QLabel*>("lbShortest")->text(), "60 sec (01:00 min)");
        EXPECT_EQ(d.findChild<QLabel*>("lbArtists")->text(), "2");
        EXPECT_EQ(d.pie()->legend()[0], "MP3: 50.000%");
        EXPECT_EQ(d.pie()->legend()[3], "Ogg: 50.000%");
        // A click on the shortest track shows what the library holds about it.
        QTest::mouseClick(d.findChild<QLabel*>("lbShortest"), Qt::LeftButton);
        ASSERT_EQ(rec.shown.size(), 1u);
        EXPECT_EQ(rec.shown[0].caption, "Track information");
        EXPECT_TRUE(rec.shown[0].text.contains("Artist: c\n"));
        EXPECT_TRUE(rec.shown[0].text.contains("Time: 60 sec (01:00 min)\n"));
        EXPECT_TRUE(rec.shown[0].text.endsWith("Filename: /y.ogg"));
    }
    BaseOptions o;
    OptionsDialog d(o, chooser);
    int changes = 0;
    QObject::connect(&d, &OptionsDialog::changed, [&] { ++changes; });
    d.findChild<QCheckBox*>("cbQSearch")->setChecked(false);
    d.chooseColour(2, 0x123456);
    d.findChild<QRadioButton*>("rbMonType1")->click();
    EXPECT_FALSE(d.options().quickSearch);
    EXPECT_EQ(d.options().colors[2], 0x123456u);
    EXPECT_EQ(d.options().monType, 1);
    EXPECT_EQ(changes, 3);
}

namespace {

class FakeDeck final : public PreviewDeck {
public:
    QStringList opened;
    bool isPlaying = false, isPaused = false;
    qint64 seekedTo = -1;
    int play(const QString& f) override {
        opened << f;
        if (f.endsWith(".bad")) return 2;
        isPlaying = true;
        isPaused = false;
        return 0;
    }
    void pause() override {
        isPlaying = false;
        isPaused = true;
    }
    void resume() override {
        isPlaying = true;
        isPaused = false;
    }
    void stop() override { isPlaying = isPaused = false; }
    bool playing() const override { return isPlaying; }
    bool paused() const override { return isPaused; }
    qint64 positionMs() const override { return 30000; }
    qint64 lengthMs() const override { return 120000; }
    void seekMs(qint64 ms) override { seekedTo = ms; }
    void setPan(int) override {}
    void setVolume(int) override {}
    void setRearSpeakers(bool) override {}
};

} // namespace

TEST_F(Window, PreviewTransportPlaysTheSelectedRowAndSeeksByTheBar) {
    FakeDeck deck;
    TBaseMainWindow w({}, probe, chooser, &deck);
    w.show();
    for (const char* n : {"/m/a.mp3", "/m/b.bad", "/m/c.mp3"})
        w.library().append(entry("Art", n, n, 1000));
    w.resetSearch();
    click(w, "btPlay"); // nothing selected: nothing plays
    EXPECT_TRUE(deck.opened.isEmpty());
    w.list()->selectRow(0);
    // Enter in the list plays the selected row, like the Play button.
    QTest::keyClick(w.list(), Qt::Key_Return);
    EXPECT_EQ(deck.opened, QStringList{"/m/a.mp3"});
    click(w, "btStop");
    deck.opened.clear();
    click(w, "btPlay");
    EXPECT_EQ(deck.opened, QStringList{"/m/a.mp3"});
    loop.runFor(150); // the display timer
    EXPECT_EQ(child<QLabel>(w, "lbPreviewTime")->text(), "00:30/02:00");
    EXPECT_EQ(child<QLabel>(w, "lbPreviewTitle")->text(), "Art - /m/a.mp3");
    auto* bar = child<QProgressBar>(w, "pbPreview");
    EXPECT_EQ(bar->value(), 25);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() / 2));
    EXPECT_NEAR(double(deck.seekedTo), 60000.0, 120000.0 / bar->width() + 1);
    click(w, "btNext"); // the next row cannot be played: one error box
    EXPECT_EQ(deck.opened.back(), "/m/b.bad");
    ASSERT_EQ(rec.shown.size(), 1u);
    EXPECT_EQ(rec.shown[0].text, "File can't be played. Error: 2 (can't open the file)");
    click(w, "btNext");
    EXPECT_EQ(deck.opened.back(), "/m/c.mp3");
    click(w, "btNext"); // the last row: nothing
    EXPECT_EQ(deck.opened.size(), 3);
    click(w, "btPause");
    EXPECT_TRUE(deck.isPaused);
    click(w, "btPlay"); // resumes, opens nothing
    EXPECT_EQ(deck.opened.size(), 3);
    EXPECT_TRUE(deck.isPlaying);
    click(w, "btStop");
    EXPECT_FALSE(deck.isPlaying);
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(Window, OpenLastBaseUnlessALibraryIsGivenAndTheLayoutFromBaseIni) {
    const QString last = music.filePath("last.dfs"), given = music.filePath("given.dfs");
    ASSERT_TRUE(writeLibraryFile(last, {entry("a", "1"), entry("a", "2")}));
    ASSERT_TRUE(writeLibraryFile(given, {entry("b", "1")}));
    writeFile(home.filePath("Base.ini"),
              ("[Options]\r\nOpenLastBase=1\r\nColWidth=0100000021000000\r\n"
               "[Data]\r\nLastBaseName=" +
               last + "\r\n")
                  .toUtf8());
    {
        TBaseMainWindow w({}, probe, chooser);
        w.show();
        EXPECT_EQ(w.library().libraryName(), last);
        EXPECT_EQ(w.library().count(), 2);
        EXPECT_EQ(w.list()->columnWidth(0), 0x21);
        EXPECT_EQ(w.list()->columnWidth(1), 160);
    }
    TBaseMainWindow w({given}, probe, chooser);
    w.show();
    EXPECT_EQ(w.library().libraryName(), given);
    EXPECT_EQ(w.library().count(), 1);
    // Closing writes the layout and the library back.
    w.list()->setColumnWidth(2, 77);
    w.close();
    const BaseOptions o = readBaseOptions(IniFile(home.filePath("Base.ini")));
    EXPECT_EQ(o.lastBaseName, given);
    EXPECT_EQ(o.columnWidths[2], 77);
    EXPECT_TRUE(o.openLastBase);
}

TEST_F(Window, ReloadsThePerTrackStoreWhenAChangeIsAnnounced) {
    ASSERT_TRUE(QDir().mkpath(home.filePath("Database")));
    ASSERT_TRUE(trackStore().LoadTrackStore());
    TBaseMainWindow w({}, probe, chooser);
    w.show();
    // The player counts a play in its own copy of the store and announces it.
    MyDatabase player(home.filePath("Database/Files.Dat"));
    player.setNotifier([](quint8) {});
    ASSERT_TRUE(player.LoadTrackStore());
    ASSERT_TRUE(player.recordPlay("/m/song.mp3", true, 46000.0));
    EXPECT_EQ(trackStore().GetTrackRecord("/m/song.mp3").playCount, 0);
    const WindowHandle me = findWindow("TBase_main_window", QString());
    ASSERT_NE(me, 0);
    sendMessage(me, DatabaseMessage(), kNotifyPlayRecorded, 0);
    EXPECT_EQ(trackStore().GetTrackRecord("/m/song.mp3").playCount, 1);
}

TEST_F(Window, DroppedFoldersAndFiles) {
    const QString r = music.path();
    writeFile(r + "/dir/b.mp3", id3v1("B", "x"));
    writeFile(r + "/dir/a.ogg", "not really ogg");
    writeFile(r + "/single.wav", QByteArray(100, '\0'));
    writeFile(r + "/line.in", "");
    writeFile(r + "/notes.txt", "x");
    TBaseMainWindow w({}, probe, chooser);
    w.show();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(r + "/dir"), QUrl::fromLocalFile(r + "/single.wav"),
                  QUrl::fromLocalFile(r + "/line.in"), QUrl::fromLocalFile(r + "/notes.txt")});
    // The desktop's drag: entering the window, then dropping on it.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    finishJobs(w);
    std::vector<QString> files;
    for (const auto& e : w.library().records())
        files.push_back(QString(e.fileName).remove(r + '/'));
    // Single files first, then the folder's files in name order.
    EXPECT_EQ(files, (std::vector<QString>{"single.wav", "line.in", "dir/a.ogg", "dir/b.mp3"}));
    EXPECT_TRUE(w.library().modified());
}

TEST_F(Window, LanguageFileCaptionsColumnsAndMessages) {
    writeFile(home.filePath("system.ini"), "[Options]\r\nLangDir=EN\r\n");
    writeFile(home.filePath("Lang/EN/lang_b.ini"),
              "[Main.Captions]\r\nTBase_main_window=Library\r\nbtAddFolder=Add folder\r\n"
              "btToPlayer=To player\r\n[Main.Menus]\r\nmiRemove=Remove\r\n"
              "[Main.ListColumns]\r\nc0=Performer\r\n"
              "[Strings]\r\n_ask_checkbase=Check it?\r\n_str1=. records removed\r\n");
    TBaseMainWindow w({}, probe, chooser);
    w.show();
    EXPECT_EQ(child<QPushButton>(w, "btAddFolder")->text(), "Add folder");
    EXPECT_EQ(child<QAction>(w, "miRemove")->text(), "Remove");
    EXPECT_EQ(child<QAction>(w, "miToPlayer")->text(), "To player");
    EXPECT_TRUE(w.windowTitle().startsWith("Library ("));
    EXPECT_EQ(w.list()->model()->headerData(0, Qt::Horizontal).toString(), "Performer");
    EXPECT_EQ(w.list()->model()->headerData(1, Qt::Horizontal).toString(), "-");
    w.library().append(entry("a", "gone", "/no/such/file.mp3"));
    rec.answers = {PromptYes, PromptYes, PromptYes};
    click(w, "btCheck");
    finishJobs(w);
    ASSERT_FALSE(rec.shown.empty());
    EXPECT_EQ(rec.shown.front().text, "Check it?");
    EXPECT_EQ(rec.shown.back().text, "1 records removed");
    setBaseLanguage({});
}

TEST_F(Window, RecountFromThePopUpMenuGoesOnAfterACancel) {
    GatedProbe gated;
    TBaseMainWindow w({}, gated, chooser);
    w.show();
    constexpr int kFiles = 24;
    for (int i = 0; i < kFiles; ++i)
        w.library().append(entry("a", QString::number(i),
                                 QString("/m/%1.%2").arg(i).arg(i == 3 ? "bad" : "mp3"),
                                 i % 4 == 0 ? 5000 : 0));
    w.resetSearch();
    BaseOptions o = w.options();
    o.checkTimeOnce = false; // every shown row is measured again
    w.setOptions(o);
    auto* progress = w.findChild<QWidget*>("TProgressForm");
    ASSERT_NE(progress, nullptr);
    trigger(w, "miRecount");
    EXPECT_TRUE(w.jobRunning());
    EXPECT_TRUE(progress->isVisible());
    // The window goes on while every worker is held.
    loop.runFor(500);
    EXPECT_FALSE(w.centralWidget()->isEnabled());
    const int threads = LengthWorkers::defaultThreads();
    gated.allow(5);
    ASSERT_TRUE(runJobs(w, [&] {
        return w.library().lengthPendingCount() == kFiles - 5 && gated.held() == threads;
    }));
    // Esc in the progress window cancels; the files under way are still measured.
    QTest::keyClick(progress, Qt::Key_Escape);
    gated.allow(threads);
    finishJobs(w);
    EXPECT_TRUE(w.centralWidget()->isEnabled());
    EXPECT_FALSE(progress->isVisible());
    const int measured = kFiles - w.library().lengthPendingCount();
    EXPECT_EQ(measured, 5 + threads);
    EXPECT_TRUE(child<QLabel>(w, "lbTime")->text().endsWith("+"));
    // The same command goes on with the rest, each file once.
    gated.allow(1000);
    trigger(w, "miRecount");
    finishJobs(w);
    const std::map<QString, int> calls = gated.calls();
    EXPECT_EQ(int(calls.size()), kFiles);
    for (const auto& [file, n] : calls)
        EXPECT_EQ(n, 1) << file.toStdString();
    for (int i = 0; i < kFiles; ++i) {
        const TBaseEntry& e = w.library().record(i);
        EXPECT_EQ(e.durationMs, i == 3 ? 0u : quint32(1000 + e.fileName.size())) << i;
    }
    // The failed file shows no length and keeps the total open; nothing shows 4294967295.
    EXPECT_EQ(w.list()->model()->index(3, ColTime).data().toString(), "??:??");
    EXPECT_EQ(w.list()->model()->index(4, ColTime).data().toString(), "00:01");
    EXPECT_TRUE(child<QLabel>(w, "lbTime")->text().endsWith("+"));
    // With nothing left over, the command starts a new pass over the shown rows.
    trigger(w, "miRecount");
    finishJobs(w);
    EXPECT_EQ(gated.calls().begin()->second, 2);
}

TEST_F(Window, F1OpensTheLanguageFoldersHelpFile) {
    writeFile(home.filePath("system.ini"), "[Options]\r\nLangDir=EN\r\n");
    const QString help = home.filePath("Lang/EN/help.chm");
    for (bool there : {false, true}) {
        SCOPED_TRACE(there);
        if (there) writeFile(help, "x");
        chooser.documents.clear();
        TBaseMainWindow w({}, probe, chooser);
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        w.list()->setFocus();
        QTest::keyClick(w.list(), Qt::Key_F1);
        EXPECT_EQ(chooser.documents, there ? QStringList{help} : QStringList{});
    }
}

TEST_F(Window, FontAndColourDialogsOfTheOptionsReachTheListAndBaseIni) {
    TBaseMainWindow w({}, probe, chooser);
    w.show();
    w.library().append(entry("a", "mp3", "/m/a.mp3"));
    w.library().append(entry("a", "ogg", "/m/b.ogg"));
    w.resetSearch();
    QFont chosen = w.list()->font();
    chosen.setPointSize(17);
    chosen.setBold(true);
    chosen.setItalic(true);
    chooser.fontAnswer = chosen;
    chooser.colourAnswer = QColor(0x12, 0x34, 0x56);
    int shown = 0;
    chooser.onDialog = [&](QDialog& d) {
        ++shown;
        EXPECT_EQ(d.objectName(), "TOptFrm");
        d.findChild<QPushButton*>("btFont")->click();
        // A click on the OGG sample opens the colour dialog with the row colour of ".ogg".
        QTest::mouseClick(d.findChild<QLabel*>("pnColour2"), Qt::LeftButton);
        EXPECT_EQ(chooser.colourAsked, QColor(0, 0, 0x80)); // navy
        // A cancelled dialog changes nothing.
        chooser.colourAnswer.reset();
        QTest::mouseClick(d.findChild<QLabel*>("pnColour3"), Qt::LeftButton);
        d.findChild<QPushButton*>("btClose")->click();
        return d.result();
    };
    click(w, "btOptions");
    EXPECT_EQ(shown, 1);
    // Taken at once by the list: its font, and the colour of the Ogg row.
    EXPECT_EQ(w.list()->font().pointSize(), 17);
    EXPECT_TRUE(w.list()->font().bold());
    EXPECT_TRUE(w.list()->font().italic());
    EXPECT_EQ(w.list()->model()->index(1, 0).data(Qt::ForegroundRole).value<QColor>(),
              QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(w.options().colors[3], 0x008000u); // WAV stays green
    // The dialog opens again from what was chosen.
    chooser.onDialog = [&](QDialog& d) {
        d.findChild<QPushButton*>("btFont")->click();
        return QDialog::Rejected;
    };
    chooser.fontAnswer.reset();
    click(w, "btOptions");
    EXPECT_EQ(chooser.fontAsked.pointSize(), 17);
    EXPECT_TRUE(chooser.fontAsked.bold());
    rec.answers = {PromptNo}; // the library is not saved
    ASSERT_TRUE(w.close());
    const IniFile ini(home.filePath("Base.ini"));
    EXPECT_EQ(ini.readString("Font", "Name", ""), chosen.family());
    EXPECT_EQ(ini.readInt("Font", "Size", 0), 17);
    EXPECT_EQ(ini.readInt("Font", "Style", 0), 2 | 4);
    // The third colour as 0x00BBGGRR (0x00563412), its bytes in order.
    EXPECT_EQ(ini.readString("Options", "Colors", "").mid(16, 8), "12345600");
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
