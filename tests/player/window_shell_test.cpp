// The main window's own controls: its size in the profile, the help entries, and the error
// box of a failed save of the recent-playlist list.
#include "windowfixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTest>

namespace wc::ui::test {
namespace {

class WindowShell : public WindowTest {
protected:
    void writeProfile(const std::function<void(IniFile&)>& fill) {
        IniFile prf(homePath("Profile/Default.prf"));
        fill(prf);
        ASSERT_TRUE(prf.save());
    }
    IniFile savedProfile() const { return IniFile(homePath("Profile/Default.prf")); }
};

TEST_F(WindowShell, StoredWindowSizeIsAppliedAtStart) {
    struct Case {
        const char* name;
        int width, height;
        bool maximised;
    };
    const Case cases[] = {
        {"maximised", -799, 573, true},
        {"sized", 820, 520, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        writeProfile([&](IniFile& p) {
            p.writeInt("Options", "FormWidth", k.width);
            p.writeInt("Options", "FormHeight", k.height);
        });
        open();
        EXPECT_EQ(form->isMaximized(), k.maximised);
        if (!k.maximised) {
            EXPECT_EQ(form->size(), QSize(k.width, k.height));
        }
        form.reset();
    }
}

TEST_F(WindowShell, WindowSizeIsSavedWithTheProfileAndMaximisedAsMinus799) {
    struct Case {
        const char* name;
        bool maximise;
        int width, height;
    };
    const Case cases[] = {
        {"maximised", true, -799, 573},
        {"sized", false, 700, 500},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        open();
        form->resize(700, 500);
        if (k.maximise) form->showMaximized();
        QTest::qWait(0);
        ASSERT_EQ(form->isMaximized(), k.maximise);
        exitProgram();
        EXPECT_EQ(savedProfile().readInt("Options", "FormWidth", 0), k.width);
        EXPECT_EQ(savedProfile().readInt("Options", "FormHeight", 0), k.height);
        form.reset();
    }
}

} // namespace
} // namespace wc::ui::test
