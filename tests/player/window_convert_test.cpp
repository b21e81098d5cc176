// The main window's clipboard commands by what has the focus, the add-file dialog, the
// Preferences window with its Encoder page, and Convert through the shipped encoder helper.
#include "audio/decoder.h"
#include "player/core/settings/encoderpresets.h"
#include "player/ui/conversionwindow.h"
#include "player/ui/editcommands.h"
#include "player/ui/tfrmsettings.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

namespace wc::ui::test {
namespace {

class ConvertWindow : public WindowTest {
protected:
    QAction* action(const char* name) const { return child<QAction>(QLatin1String(name)); }
    PlaylistView& list() { return form->playlists().LVMaster; }
    // The profile the window loads: the encoder section as given.
    void writeProfile(bool showParam, const QString& outDir,
                      const QString& command = "lame.exe -h - ::s") {
        IniFile p(homePath("Profile/Default.prf"));
        p.writeString("Encoder", "OutDir", outDir);
        p.writeString("Encoder", "Command", command);
        p.writeString("Encoder", "Ext", "mp3");
        p.writeString("Encoder", "PresetName", "MP3");
        p.writeInt("Encoder", "ShowParam", showParam ? 1 : 0);
        ASSERT_TRUE(p.save());
    }
    // The shipped helper in the program folder, as the build puts it there.
    void installEncoder() {
        QFile::remove(homePath("encoder"));
        ASSERT_TRUE(QFile::copy(WC_ENCODER_EXE, homePath("encoder")));
    }
    TfrmSettings* settings() const { return form->findChild<TfrmSettings*>(); }
    QPushButton* button(QWidget* in, const QString& text) const {
        for (QPushButton* b : in->findChildren<QPushButton*>())
            if (b->text() == text) return b;
        ADD_FAILURE() << "no button " << text.toStdString();
        return nullptr;
    }
    // The helper is a real process that talks to the conversion window over the bus, which the
    // real event loop serves; the window's simulated timers go on meanwhile.
    bool pumpUntil(const std::function<bool()>& done, int ms = 60000) {
        return QTest::qWaitFor(
            [&] {
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                run(10);
                return done();
            },
            ms);
    }
    void selectAllInList() {
        master()->setFocus();
        list().selectRange(0, list().count() - 1);
    }
};

TEST_F(ConvertWindow, TheClipboardCommandsActOnWhatHasTheFocus) {
    struct Case {
        const char* name;
        const char* focus; // "list", "temp", "text", "button"
        std::vector<int> selected;
        bool clipboard;
        bool cut, copy, paste, del, delAll;
    };
    const Case cases[] = {
        {"list_with_selection", "list", {1}, false, true, true, false, true, true},
        {"list_without_selection", "list", {}, true, false, false, true, false, true},
        {"temp_list_with_selection", "temp", {0}, true, true, true, true, true, true},
        {"text_field", "text", {1}, true, true, true, false, false, false},
        {"button", "button", {1}, true, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open();
        PlayerPlaylists& lists = form->playlists();
        for (PlaylistView* v : {&lists.LVMaster, &lists.LVSlave})
            for (const char* t : {"a", "b", "c"})
                addItem(*v, t, "/music/" + QString(t) + ".mp3");
        PlaylistClipboard().clear();
        if (c.clipboard) PlaylistClipboard().push_back(lists.LVMaster.at(2));
        QTableView* view = master();
        if (QLatin1String(c.focus) == QLatin1String("temp")) {
            click(child<QAbstractButton>(QStringLiteral("btTempPage")));
            view = slave();
        }
        PlaylistView& active = lists.ActivePlaylist();
        for (int row : c.selected)
            active.selectOnly(row);
        if (c.selected.empty()) active.clearSelection();
        QWidget* focus = view;
        if (QLatin1String(c.focus) == QLatin1String("text")) {
            child<QDockWidget>(QStringLiteral("CrossfadeDock"))->show();
            focus = child<QComboBox>(QStringLiteral("cr_preset"))->lineEdit();
        } else if (QLatin1String(c.focus) == QLatin1String("button")) {
            focus = child<QWidget>(QStringLiteral("btPlay"));
        }
        focus->setFocus();
        EXPECT_EQ(action("aEditCut")->isEnabled(), c.cut);
        EXPECT_EQ(action("aEditCopy")->isEnabled(), c.copy);
        EXPECT_EQ(action("aEditPaste")->isEnabled(), c.paste);
        EXPECT_EQ(action("aEditDel")->isEnabled(), c.del);
        EXPECT_EQ(action("aEditDelAll")->isEnabled(), c.delAll);
        // The keys do only what the enabled commands allow: outside the list they leave it.
        if (QLatin1String(c.focus) != QLatin1String("text")) {
            const QStringList before = titles(active);
            const int selected = active.selectedCount();
            key(Qt::Key_A, Qt::ControlModifier);
            EXPECT_EQ(active.selectedCount(), c.delAll ? active.count() : selected);
            key(Qt::Key_Delete, Qt::ControlModifier);
            EXPECT_EQ(active.count(), c.delAll ? 0 : before.size());
            if (!c.delAll) {
                key(Qt::Key_V, Qt::ControlModifier);
                key(Qt::Key_Delete);
                EXPECT_EQ(titles(active), before);
            }
        }
        form.reset();
    }
}

TEST_F(ConvertWindow, InATextFieldTheKeysAndTheMenuCutCopyAndPasteTheField) {
    open();
    for (const char* t : {"a", "b"})
        addItem(list(), t, "/music/" + QString(t) + ".mp3");
    list().selectOnly(0);
    PlaylistClipboard().clear();
    child<QDockWidget>(QStringLiteral("CrossfadeDock"))->show();
    QLineEdit* field = child<QComboBox>(QStringLiteral("cr_preset"))->lineEdit();
    field->setFocus();
    field->setText("evening");
    field->selectAll();
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "evening");
    key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "");
    key(Qt::Key_V, Qt::ControlModifier);
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "eveningevening");
    // The menu entries do the same for the field.
    field->selectAll();
    action("aEditCut")->trigger();
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "eveningevening");
    // The list and its clipboard were not touched.
    EXPECT_EQ(titles(list()), (QStringList{"a", "b"}));
    EXPECT_TRUE(PlaylistClipboard().empty());
}

TEST_F(ConvertWindow, AddFileAsksForSeveralFilesOfThePlayableTypes) {
    open();
    for (const char* t : {"a", "b"})
        addItem(list(), t, "/music/" + QString(t) + ".mp3");
    const QString x = tone("x.wav", 0.5), y = tone("y.wav", 0.5);
    list().selectOnly(0);
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QStringList answer{x, y};
    form->editCommands().runOpenDialog = [&](QFileDialog& d) {
        filters = d.nameFilters();
        mode = d.fileMode();
        return answer;
    };
    action("aAddFile")->trigger();
    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].startsWith("wav/mp3/ogg/wma/wmv/cda/spx/aac/mp4/ac3/alac/mpc/ofr/tta/"
                                      "wv/flac/opus/oga/m4a/line.in (*.wav *.mp3 *.ogg *.wma "));
    EXPECT_TRUE(filters[0].endsWith(" *.wv *.flac *.opus *.oga *.m4a line.in)"));
    EXPECT_EQ(filters[1], "Line Input (line.in) (line.in)");
    // Each file is inserted after the selection, which moves to it: they keep their order.
    EXPECT_EQ(titles(list()), (QStringList{"a", "x", "y", "b"}));
    EXPECT_EQ(list().selectedIndexes(), std::vector<int>{2});
    answer.clear(); // cancelled
    action("aAddFile")->trigger();
    EXPECT_EQ(list().count(), 4);
}

TEST_F(ConvertWindow, PreferencesFromTheServiceMenuEditTheEncoderPresets) {
    writeProfile(false, homePath("out"));
    ASSERT_TRUE(writeEncoderPresetFile(homePath("Presets/Encoder.prs"),
                                       {{"MP3 128", "lame.exe -h - ::s", "mp3"}}));
    open();
    QAction* entry = action("aPreferences");
    QMenu* service = nullptr;
    for (QAction* m : form->menuBar()->actions())
        if (m->text() == QString::fromUtf8("Сервис")) service = m->menu();
    ASSERT_NE(service, nullptr);
    EXPECT_TRUE(service->actions().contains(entry));
    entry->trigger();
    TfrmSettings* w = settings();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), "Preferences");
    EXPECT_EQ(w->windowModality(), Qt::WindowModal);
    for (const char* b : {"ОК", "Отмена", "?"})
        EXPECT_NE(button(w, QString::fromUtf8(b)), nullptr);
    // Only the pages that are there are in the tree; the menu opens the first.
    auto* tree = w->findChild<QTreeWidget*>("TreeView1");
    ASSERT_EQ(tree->topLevelItemCount(), 2);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "General");
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "Encoder");
    EXPECT_EQ(w->findChild<QGroupBox*>("PageFrame")->title(), "General");
    tree->setCurrentItem(tree->topLevelItem(1));
    EXPECT_EQ(w->findChild<QGroupBox*>("PageFrame")->title(), "Encoder");
    click(button(w, "?"));
    EXPECT_TRUE(logged("Help: no help file"));

    auto* presets = w->findChild<QListWidget*>("lbEncPresets");
    auto* name = w->findChild<QLineEdit*>("edEncName");
    auto* command = w->findChild<QLineEdit*>("edEncCommand");
    auto* ext = w->findChild<QLineEdit*>("edEncExt");
    ASSERT_EQ(presets->count(), 1);
    presets->setCurrentRow(0);
    EXPECT_EQ(command->text(), "lame.exe -h - ::s");
    name->setText("Ogg q5");
    command->setText("oggenc - -o ::s");
    ext->setText("ogg");
    click(button(w, "Add"));
    EXPECT_EQ(presets->count(), 2);
    presets->setCurrentRow(0);
    click(button(w, "Del"));
    EXPECT_EQ(presets->count(), 1);
    // Cancel drops all of it.
    click(button(w, QString::fromUtf8("Отмена")));
    EXPECT_EQ(readEncoderPresetFile(homePath("Presets/Encoder.prs")).size(), 1u);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(settings(), nullptr);

    entry->trigger();
    w = settings();
    ASSERT_NE(w, nullptr);
    w->findChild<QListWidget*>("lbEncPresets")->setCurrentRow(0);
    w->findChild<QLineEdit*>("edEncName")->setText("Ogg q5");
    w->findChild<QLineEdit*>("edEncCommand")->setText("oggenc - -o ::s");
    w->findChild<QLineEdit*>("edEncExt")->setText("ogg");
    click(button(w, "Save"));
    click(button(w, QString::fromUtf8("ОК")));
    EXPECT_EQ(readEncoderPresetFile(homePath("Presets/Encoder.prs")),
              (TEncoderPresets{{"Ogg q5", "oggenc - -o ::s", "ogg"}}));
    // The profile took the fields: the next opening shows them.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    entry->trigger();
    ASSERT_NE(settings(), nullptr);
    EXPECT_EQ(settings()->findChild<QLineEdit*>("edEncExt")->text(), "ogg");
    EXPECT_EQ(settings()->findChild<QListWidget*>("lbEncPresets")->currentRow(), 0);
}

TEST_F(ConvertWindow, OkKeepsTheProfilesEncoderCommandWhole) {
    // Longer than a preset's command field: the profile keeps it all the same.
    const QString command = "lame.exe -h " + QString(300, 'x') + " - ::s";
    writeProfile(false, homePath("out"), command);
    open();
    action("aPreferences")->trigger();
    ASSERT_NE(settings(), nullptr);
    click(button(settings(), QString::fromUtf8("ОК")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    action("aPreferences")->trigger();
    ASSERT_NE(settings(), nullptr);
    EXPECT_EQ(settings()->findChild<QLineEdit*>("edEncCommand")->text(), command);
}

TEST_F(ConvertWindow, AnUnreadablePresetFileIsReportedAndKept) {
    QDir().mkpath(homePath("Presets/Encoder.prs")); // a folder in the file's place
    open();
    action("aPreferences")->trigger();
    ASSERT_NE(settings(), nullptr);
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_EQ(prompts.shown.back().caption, "Error: Settings.Show");
    EXPECT_EQ(prompts.shown.back().text, "ERROR: Cannot load encoder presets!");
    EXPECT_FALSE(button(settings(), "Add")->isEnabled());
    click(button(settings(), QString::fromUtf8("ОК")));
    EXPECT_TRUE(QFileInfo(homePath("Presets/Encoder.prs")).isDir());
}

TEST_F(ConvertWindow, ConvertAsksForTheEncoderSettingsFirstAndCancelEndsIt) {
    installEncoder();
    QDir().mkpath(homePath("out"));
    QDir().mkpath(homePath("out2"));
    writeProfile(true, homePath("out"));
    open();
    addItem(list(), "one", tone("one.wav", 1.0));
    addItem(list(), "two", tone("two.wav", 0.5));
    selectAllInList();
    action("aConvert")->trigger();
    // The window is open and the command has returned: nothing waits in a nested event loop
    // (which would not return here until the window closed).
    TfrmSettings* w = settings();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->currentPage(), PreferencesPage::Encoder);
    EXPECT_TRUE(w->findChild<QCheckBox*>("cbEncShowParam")->isChecked());
    click(button(w, QString::fromUtf8("Отмена")));
    pumpUntil([] { return false; }, 200);
    EXPECT_EQ(form->findChild<TProgFrm*>(), nullptr);
    EXPECT_TRUE(QDir(homePath("out")).isEmpty());

    // OK goes on with the settings just made.
    action("aConvert")->trigger();
    w = settings();
    ASSERT_NE(w, nullptr);
    w->findChild<QLineEdit*>("edEncOutDir")->setText(homePath("out2"));
    click(button(w, QString::fromUtf8("ОК")));
    QPointer<TProgFrm> progress = form->findChild<TProgFrm*>();
    ASSERT_FALSE(progress.isNull());
    EXPECT_EQ(progress->windowTitle(), "Encoding file 1 of 2...");
    ASSERT_TRUE(pumpUntil([&] { return progress.isNull(); }));
    EXPECT_TRUE(QDir(homePath("out")).isEmpty());
    for (const auto& [name, seconds] : {std::pair{"out2/one.mp3", 1.0}, {"out2/two.mp3", 0.5}}) {
        SCOPED_TRACE(name);
        audio::FileDecoder d;
        ASSERT_EQ(d.open(homePath(name)), audio::kOk);
        EXPECT_NEAR(double(d.lengthFrames()) / d.rate(), seconds, 0.06);
    }
}

TEST_F(ConvertWindow, ClosingTheConversionWindowMidwayStartsNoFurtherFileAndLeavesNoHalfFile) {
    installEncoder();
    QDir().mkpath(homePath("out"));
    writeProfile(false, homePath("out"));
    open();
    addItem(list(), "long", tone("long.wav", 30.0));
    addItem(list(), "next", tone("next.wav", 1.0));
    selectAllInList();
    action("aConvert")->trigger();
    EXPECT_EQ(settings(), nullptr); // ShowParam off: straight to the conversion
    QPointer<TProgFrm> progress = form->findChild<TProgFrm*>();
    ASSERT_FALSE(progress.isNull());
    int filesStarted = 0;
    auto watch = [&] {
        if (progress) filesStarted = std::max(filesStarted, progress->session().counter());
    };
    ASSERT_TRUE(pumpUntil([&] {
        watch();
        return progress && progress->session().barPosition() >= 5;
    }));
    // The first file is half written when the window is closed.
    EXPECT_TRUE(QFileInfo::exists(homePath("out/long.mp3")));
    progress->close();
    EXPECT_FALSE(progress->isVisible());
    EXPECT_TRUE(progress->windowTitle().endsWith(" [terminating]"));
    ASSERT_TRUE(pumpUntil([&] {
        watch();
        return progress.isNull();
    }));
    EXPECT_EQ(filesStarted, 1);
    EXPECT_TRUE(QDir(homePath("out")).isEmpty())
        << QDir(homePath("out")).entryList().join(",").toStdString();
}

TEST_F(ConvertWindow, EveryEditingCommandIsInItsMenusWithItsKeys) {
    open();
    QMenu* edit = nullptr;
    for (QAction* m : form->menuBar()->actions())
        if (m->text() == QString::fromUtf8("Правка")) edit = m->menu();
    ASSERT_NE(edit, nullptr);
    auto* context = child<QMenu>(QStringLiteral("PlaylistMenu"));
    struct Row {
        const char* name;
        QKeySequence keys;
        bool inEdit, inContext;
    };
    const Row rows[] = {
        {"aEditCut", QKeySequence(Qt::CTRL | Qt::Key_X), true, true},
        {"aEditCopy", QKeySequence(Qt::CTRL | Qt::Key_C), true, true},
        {"aEditPaste", QKeySequence(Qt::CTRL | Qt::Key_V), true, true},
        {"aEditUndo", QKeySequence(Qt::CTRL | Qt::Key_Z), true, true},
        {"aEditDel", QKeySequence(Qt::Key_Delete), true, true},
        {"aEditDelAll", QKeySequence(Qt::CTRL | Qt::Key_Delete), true, false},
        {"aEditCrop", {}, true, true},
        {"aSelectAll", QKeySequence(Qt::CTRL | Qt::Key_A), true, false},
        {"aAddFile", {}, true, true},
        {"aAddLineIn", {}, true, true},
        {"aAddFolder", {}, true, false},
        {"aRecalcTime", {}, true, false},
        {"N27", QKeySequence(Qt::CTRL | Qt::Key_F), true, false},
        {"aRandomize", {}, true, false},
        {"aRenameFile", {}, true, true},
        {"aDeleteMissing", {}, true, true},
        {"aDeleteFromDisk", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete), true, true},
        {"aCopyToFolder", {}, true, true},
        {"aConvert", {}, false, true},
        {"aNotepad", {}, true, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QAction* a = action(r.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->shortcut(), r.keys);
        if (r.inEdit) {
            EXPECT_TRUE(edit->actions().contains(a));
        }
        if (r.inContext) {
            EXPECT_TRUE(context->actions().contains(a));
        }
    }
    // Add folder and Find are also tool buttons.
    auto* tools = child<QToolBar>(QStringLiteral("EditToolBar"));
    EXPECT_EQ(tools->actions(), QList<QAction*>({action("aAddFolder"), action("N27")}));
}

} // namespace
} // namespace wc::ui::test
