#include "windowfixture.h"

#include "audio/audiosystem.h"
#include "common/log.h"
#include "common/paths.h"

#include <QApplication>
#include <QDir>
#include <QTest>

namespace wc::ui::test {

void WindowTest::SetUp() {
    ASSERT_TRUE(home.isValid() && runtime.isValid());
    qputenv("WAVECREST_HOME", home.path().toUtf8());
    qputenv("WAVECREST_RUNTIME_DIR", runtime.path().toUtf8());
    // The shell association writes desktop entries: into the throw-away folder.
    qputenv("XDG_DATA_HOME", home.filePath("xdg").toUtf8());
    setProgramDirFrom(QString());
    setClock(&loop);
    setTimerHost(&loop);
    setPrompts(&prompts);
    auto& sys = audio::AudioSystem::instance();
    sys.setManualOutput(true);
    sys.setManualOutputChannels(deviceChannels);
    sys.setManualTap([this](const float* s, int n) {
        out.insert(out.end(), s, s + std::size_t(n) * std::size_t(deviceChannels));
    });
    sys.attachSimLoop(loop);
    logSink_ = addLogSink([this](const QString& line) { logLines << line; });
    QDir(home.path()).mkpath("Profile");
    IniFile system(home.filePath("system.ini"));
    system.writeInt("Device", "MainDev", 0);
    system.writeInt("Device", "SecondDev", 0);
    ASSERT_TRUE(system.save());
}

void WindowTest::TearDown() {
    form.reset();
    removeLogSink(logSink_);
    auto& sys = audio::AudioSystem::instance();
    sys.setManualTap({});
    sys.shutdown();
    sys.setGlobalVolume(100);
    sys.setManualOutputChannels(2);
    setPrompts(nullptr);
    setClock(nullptr);
    setTimerHost(nullptr);
    qunsetenv("WAVECREST_HOME");
}

TForm1& WindowTest::open(const QStringList& args) {
    form = std::make_unique<TForm1>(playerIni, args, nullptr);
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    run(200);
    return *form;
}

void WindowTest::exitProgram() {
    form->shell().exitCommand();
}

void WindowTest::click(QAbstractButton* b) {
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton);
}

void WindowTest::clickRow(QTableView* view, int row, Qt::KeyboardModifiers mods) {
    const QPoint p = view->visualRect(view->model()->index(row, 2)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, mods, p);
}

void WindowTest::key(int k, Qt::KeyboardModifiers mods) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
    QTest::keyClick(target, Qt::Key(k), mods);
}

QString WindowTest::tone(const QString& name, double seconds) {
    const QString path = home.filePath(name);
    EXPECT_TRUE(audio::test::writeWav(path, audio::test::sine(seconds, 400.0, 0.5), true));
    return path;
}

void WindowTest::addItem(PlaylistView& list, const QString& title, const QString& path) {
    TVirtualItem it;
    it.Number = QString::number(list.count() + 1);
    it.Columns[kColTitle] = title;
    it.Columns[kColFileName] = path;
    it.Columns[kColDurationText] = QStringLiteral("01:00");
    list.AppendItem(it);
}

bool WindowTest::logged(const QString& part) const {
    for (const QString& l : logLines)
        if (l.contains(part)) return true;
    return false;
}

} // namespace wc::ui::test

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
