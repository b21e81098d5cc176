// A write announces itself on the message bus; a holder whose window receives the message
// reloads and calls its hooks with the change code.
#include "common/clock.h"
#include "common/trackstore/trackstore.h"
#include "platform/messagebus.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

using namespace wc;

namespace {

class FixedClock final : public Clock {
public:
    double nowOle() const override { return 46100.25; }
    qint64 tickMs() const override { return 0; }
};

} // namespace

TEST(TrackStoreBroadcast, EveryHolderWithAWindowReloadsAndHearsTheCode) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("WAVECREST_RUNTIME_DIR", QFile::encodeName(dir.filePath(QStringLiteral("run"))));
    FixedClock clock;
    setClock(&clock);
    const QString path = dir.filePath(QStringLiteral("Database/Files.Dat"));
    MyDatabase writer(path); // announces through the bus
    MyDatabase holder(path);
    ASSERT_TRUE(holder.LoadTrackStore());
    std::vector<qint64> heard;
    holder.addChangedHook([&](qint64 code) { heard.push_back(code); });
    int otherMessages = 0;
    Endpoint window(QStringLiteral("Holder"), QStringLiteral("holder"),
                    [&](quint32 msg, qint64 w, qint64) -> qint64 {
                        if (!handleDatabaseMessage(holder, msg, w)) ++otherMessages;
                        return 0;
                    });
    ASSERT_NE(window.handle(), 0);
    EXPECT_NE(DatabaseMessage(), 0u);

    ASSERT_TRUE(writer.recordPlay(QStringLiteral("/Music/One.mp3"), true));
    TTrackRecord edit = writer.GetTrackRecord(QStringLiteral("/Music/One.mp3"));
    edit.introMs = 4000;
    edit.NotifyCode = kNotifyEdited;
    ASSERT_TRUE(writer.SetTrackRecord(QStringLiteral("/Music/One.mp3"), edit));
    for (int i = 0; i < 200 && heard.size() < 2; ++i)
        processBusEvents(10);

    EXPECT_EQ(heard, (std::vector<qint64>{kNotifyPlayRecorded, kNotifyEdited}));
    EXPECT_EQ(otherMessages, 0);
    const TTrackRecord seen = holder.GetTrackRecord(QStringLiteral("/music/one.MP3"));
    EXPECT_EQ(seen.playCount, 1);
    EXPECT_EQ(seen.lastPlay, 46100.25);
    EXPECT_EQ(seen.introMs, 4000);
    setClock(nullptr);
    qunsetenv("WAVECREST_RUNTIME_DIR");
}
