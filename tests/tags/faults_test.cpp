// A write that fails at any step (a full disk, a crash) leaves the original file exactly as
// it was and no temporary file behind; the step after the last one succeeds.
#include "common/tags/asf.h"
#include "common/tags/fileio.h"
#include "common/tags/ogg.h"
#include "common/tags/trackinfo.h"

#include "fixtures.h"

#include <gtest/gtest.h>

#include <functional>

using namespace wc;
using namespace tagtest;

namespace {

struct WriteCase {
    const char* name;
    QByteArray original;
    std::function<TrackTag()> record;
    QString titleAfter;
};

TrackTag titled(const char* marker, const char* title) {
    TrackTag t;
    clearTag(t);
    if (marker) setTagMarker(t, marker);
    if (title) setTagText(t, TagField::Title, title);
    return t;
}

} // namespace

TEST(FaultInjection, EveryFailedStepLeavesTheOriginal) {
    QList<WriteCase> cases;
    const QByteArray audio(5000, '\x42');
    const QByteArray tagged = audio + id3v1Block("Old", "Band", "", "", "", 3);
    cases.append({"update.mp3", tagged, [] { return titled("TAG", "New"); }, "New"});
    cases.append({"append.mp3", audio, [] { return titled("TAG", "New"); }, "New"});
    cases.append({"remove.mp3", tagged, [] { return titled(nullptr, nullptr); }, ""});
    if (!oggTagged().isEmpty())
        cases.append({"tag.ogg", readAll(oggTagged()), [] { return titled("OGG", "New"); }, "New"});
    if (!wmaTagged().isEmpty())
        cases.append({"tag.wma", readAll(wmaTagged()), [] { return titled("WMA", "New"); }, "New"});
    // The formats written through TagLib, and an MP3 whose ID3v2 tag is written beside its
    // ID3v1 block in the same replacement.
    const std::pair<const char*, QString> tagLibFiles[] = {{"tag.flac", flacTagged()},
                                                           {"tag.opus", opusTagged()},
                                                           {"tag.m4a", m4aTagged()},
                                                           {"tag.oga", oggFlacTagged()},
                                                           {"v2only.mp3", mp3Id3v2Only()}};
    for (const auto& [name, file] : tagLibFiles)
        if (!file.isEmpty())
            cases.append({name, readAll(file),
                          [file] {
                              TrackTag t;
                              ReadTrackTag(file, t);
                              setTagText(t, TagField::Title, "New");
                              return t;
                          },
                          "New"});
    if (!mp3Id3v2Only().isEmpty())
        cases.append({"both.mp3", readAll(mp3Id3v2Only()) + id3v1Block("Old", "", "", "", "", 3),
                      [] { return titled("TAG", "New"); }, "New"});

    for (const WriteCase& c : cases) {
        Scratch s;
        const QString path = s.path(c.name);
        writeAll(path, c.original);
        int step = 1;
        bool done = false;
        for (; step < 200 && !done; ++step) {
            tags::faults::failStep(step);
            const TagWriteResult r = WriteTrackTag(path, c.record(), 1);
            tags::faults::failStep(0);
            if (r.ok) {
                done = true;
                break;
            }
            EXPECT_FALSE(r.error.isEmpty()) << c.name << " step " << step;
            EXPECT_EQ(readAll(path), c.original) << c.name << " step " << step;
            EXPECT_EQ(s.entries(), QStringList{c.name}) << c.name << " step " << step;
        }
        ASSERT_TRUE(done) << c.name;
        EXPECT_GT(step, 1) << c.name; // the first step at least can fail
        EXPECT_NE(readAll(path), c.original) << c.name;
        TrackTag back;
        ReadTrackTag(path, back);
        EXPECT_EQ(tagText(back, TagField::Title), c.titleAfter) << c.name;
    }
}
