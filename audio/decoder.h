#pragma once
// A file decoded through FFmpeg into interleaved stereo float frames at the file's own rate.
// Not thread-safe: one owner at a time (the decode worker, or the main thread under the
// stream's decoder lock).
#include "audio/types.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct SwrContext;
struct AVPacket;
struct AVFrame;

namespace wc::audio {

class FileDecoder {
public:
    FileDecoder();
    ~FileDecoder();
    FileDecoder(const FileDecoder&) = delete;
    FileDecoder& operator=(const FileDecoder&) = delete;

    // Opens the file and measures its exact length. Returns kOk or an error number:
    // kErrCannotOpen when the file cannot be read, kErrUnsupportedFormat when it holds no
    // decodable audio, kErrCodec when the codec is missing.
    // knownLength: the exact length from an earlier open of the same file, which saves
    // measuring it again.
    int open(const QString& path, std::int64_t knownLength = -1);

    int rate() const { return rate_; }
    // Exact number of frames the decoder delivers from start to end.
    std::int64_t lengthFrames() const { return length_; }
    // Index of the next frame read() returns.
    std::int64_t position() const { return next_; }

    // Reads up to frames frames into out (2 x frames floats); returns the number read, 0 at
    // the end of the file.
    int read(float* out, int frames);
    // Positions the decoder so that the next read starts exactly at frame. Frames past the
    // end clamp to the end.
    bool seek(std::int64_t frame);

private:
    bool openContainer(const QString& path, int* error);
    void close();
    // Decodes the next frame into pending_; false at the end of the stream.
    bool decodeMore();
    std::int64_t measureLength();
    std::int64_t measureByDecoding();
    bool seekContainer(std::int64_t frame);
    bool skipTo(std::int64_t frame);
    bool restart();

    AVFormatContext* fmt_ = nullptr;
    AVCodecContext* dec_ = nullptr;
    SwrContext* swr_ = nullptr;
    struct SwrInput; // what swr_ was set up for
    std::unique_ptr<SwrInput> swrIn_;
    AVPacket* pkt_ = nullptr;
    AVFrame* frame_ = nullptr;
    QString path_;
    int stream_ = -1;
    bool lastHadPts_ = false;
    bool ptsExact_ = true;
    bool locate_ = false; // the next decoded frame is placed by its time stamp
    int rate_ = 0;
    int srcChannels_ = 0;
    bool eof_ = false;
    bool drained_ = false;
    std::int64_t originPts_ = INT64_MIN; // pts of frame 0, in stream time base
    std::int64_t length_ = 0;
    std::int64_t next_ = 0;       // index of the first frame of pending_[pendingPos_]
    std::int64_t decodedEnd_ = 0; // index just past the last decoded frame
    std::vector<float> pending_;  // decoded, not yet read (stereo interleaved)
    std::size_t pendingPos_ = 0;  // in floats
    std::vector<float> convert_;
};

} // namespace wc::audio
