#pragma once
// The player's real main window, offscreen, in a throw-away program folder, on simulated time,
// with its audio on the manual device (device 0 in system.ini) and its message boxes recorded.
// Tests drive the window's own widgets and check what the controls did.
#include "../audio/fixtures.h"
#include "common/ini.h"
#include "common/simloop.h"
#include "platform/prompts.h"
#include "player/ui/tform1.h"

#include <QAbstractButton>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace wc::ui::test {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds and shows the window (creation and first showing run) and lets it settle.
    TForm1& open(const QStringList& args = {});
    // Closes the window the way the Exit command does (settings and profile are written).
    void exitProgram();

    template <class T> T* child(const QString& name) const {
        T* w = form->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QTableView* master() const { return child<QTableView>(QStringLiteral("LVMaster")); }
    QTableView* slave() const { return child<QTableView>(QStringLiteral("LVSlave")); }
    // A left click on a button, as the user makes it.
    void click(QAbstractButton* b);
    // A click on a row of a list (the row becomes the only selected one).
    void clickRow(QTableView* view, int row, Qt::KeyboardModifiers mods = Qt::NoModifier);
    void key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
    // A stereo tone file in the program folder.
    QString tone(const QString& name, double seconds);
    void addItem(PlaylistView& list, const QString& title, const QString& path);
    void run(qint64 ms) { loop.runFor(ms); }
    QString homePath(const QString& rel) const { return home.filePath(rel); }
    bool logged(const QString& part) const;

    // Output channels of the manual device (set before SetUp runs to route speakers).
    int deviceChannels = 2;
    QTemporaryDir home, runtime;
    SimLoop loop{46365.5, 10};
    RecordingPrompts prompts;
    TPlayerIni playerIni;
    QStringList logLines;
    std::vector<float> out; // what the manual device rendered, interleaved
    std::unique_ptr<TForm1> form;

private:
    int logSink_ = 0;
};

// The titles of a list's items, in order.
inline QStringList titles(const PlaylistView& v) {
    QStringList out;
    for (int i = 0; i < v.count(); ++i)
        out << v.at(i).Title();
    return out;
}

} // namespace wc::ui::test
