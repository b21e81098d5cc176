#include "audiofiles.h"

#include "../audio/fixtures.h"
#include "common/tags/trackinfo.h"

namespace at = wc::audio::test;

namespace basetest {

TaggedFiles::TaggedFiles() {
    const QString wav = dir.filePath("t.wav");
    if (!at::writeWav(wav, at::sine(1.0, 440))) return;
    mp3 = dir.filePath("Band One - Song One.mp3");
    ogg = dir.filePath("Band Two - Song Two.ogg");
    wma = dir.filePath("Band Three - Song Three.wma");
    made = at::run("lame", {"--quiet", "--id3v1-only", "--tt", "T1", "--ta", "A1", "--tl", "L1",
                            "--ty", "1991", "--tc", "C1", "--tg", "Jazz", wav, mp3}) &&
           at::run("oggenc", {"-Q", "-t", "T2", "-a", "A2", "-l", "L2", "-d", "1992", "-G", "Blues",
                              "-c", "COMMENT=C2", "-o", ogg, wav}) &&
           at::ffmpegConvert(wav, wma,
                             {"-c:a", "wmav2", "-metadata", "title=T3", "-metadata", "artist=A3",
                              "-metadata", "album=L3", "-metadata", "date=1993", "-metadata",
                              "genre=Funk", "-metadata", "comment=C3"});
}

std::array<QString, 6> fileTag(const QString& path) {
    wc::TrackTag t;
    wc::clearTag(t);
    wc::ReadTrackTag(path, t);
    using wc::TagField;
    return {tagText(t, TagField::Title),   tagText(t, TagField::Artist),
            tagText(t, TagField::Album),   tagText(t, TagField::Year),
            tagText(t, TagField::Comment), tagText(t, TagField::Genre)};
}

} // namespace basetest
