#include "audio/decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>

namespace wc::audio {

namespace {
// Decoding restarts this far before a seek target, so that codecs with overlapping frames
// (MP3's bit reservoir, AAC's and Vorbis' windows) deliver exact samples at the target.
constexpr double kPrerollSec = 0.25;
} // namespace

struct FileDecoder::SwrInput {
    AVChannelLayout layout{};
    int format = -1;
    int rate = 0;
    ~SwrInput() { av_channel_layout_uninit(&layout); }
};

FileDecoder::FileDecoder() = default;

FileDecoder::~FileDecoder() {
    close();
}

void FileDecoder::close() {
    swr_free(&swr_);
    swrIn_.reset();
    avcodec_free_context(&dec_);
    if (fmt_) avformat_close_input(&fmt_);
    av_packet_free(&pkt_);
    av_frame_free(&frame_);
    stream_ = -1;
}

bool FileDecoder::openContainer(const QString& path, int* error) {
    close();
    const QByteArray name = path.toUtf8();
    if (avformat_open_input(&fmt_, name.constData(), nullptr, nullptr) < 0) {
        *error = kErrCannotOpen;
        return false;
    }
    if (avformat_find_stream_info(fmt_, nullptr) < 0) {
        *error = kErrUnsupportedFormat;
        return false;
    }
    const AVCodec* codec = nullptr;
    stream_ = av_find_best_stream(fmt_, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream_ == AVERROR_DECODER_NOT_FOUND) {
        *error = kErrCodec;
        return false;
    }
    if (stream_ < 0 || !codec) {
        *error = kErrUnsupportedFormat;
        return false;
    }
    AVStream* st = fmt_->streams[stream_];
    for (unsigned i = 0; i < fmt_->nb_streams; ++i)
        if (int(i) != stream_) fmt_->streams[i]->discard = AVDISCARD_ALL;
    dec_ = avcodec_alloc_context3(codec);
    if (!dec_ || avcodec_parameters_to_context(dec_, st->codecpar) < 0) {
        *error = kErrCodec;
        return false;
    }
    dec_->pkt_timebase = st->time_base;
    if (avcodec_open2(dec_, codec, nullptr) < 0) {
        *error = kErrCodec;
        return false;
    }
    pkt_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    rate_ = dec_->sample_rate;
    srcChannels_ = dec_->ch_layout.nb_channels;
    if (rate_ <= 0 || srcChannels_ <= 0) {
        *error = kErrSampleFormat;
        return false;
    }
    eof_ = drained_ = false;
    pending_.clear();
    pendingPos_ = 0;
    // ASF time stamps are too coarse to place a decoded frame exactly: frames are counted.
    // So are those of raw AC-3 streams.
    const QByteArray container = fmt_->iformat->name;
    // Speex in Ogg does not restart cleanly in mid-stream either.
    ptsExact_ = !container.contains("asf") && !container.contains("ac3") &&
                dec_->codec_id != AV_CODEC_ID_SPEEX;
    locate_ = false;
    return true;
}

int FileDecoder::open(const QString& path, std::int64_t knownLength) {
    int error = kOk;
    if (!openContainer(path, &error)) {
        close();
        return error;
    }
    if (knownLength >= 0) {
        length_ = knownLength;
    } else {
        length_ = measureLength();
        // Back to the start: reopening is the one way that is exact for every container.
        if (!openContainer(path, &error)) {
            close();
            return error;
        }
    }
    path_ = path;
    next_ = decodedEnd_ = 0;
    originPts_ = INT64_MIN;
    if (!decodeMore()) {
        // Nothing decodable at all: an empty stream is still a valid stream of length 0.
        length_ = 0;
    }
    return kOk;
}

// Walks the packets without decoding them: their durations, less the samples the container
// tells the decoder to drop at the start and the end, are exactly what decoding delivers.
// Nothing is estimated from the bit rate, so files without a seek table measure right too.
std::int64_t FileDecoder::measureLength() {
    // Ogg and ASF packet durations do not add up to what the decoder delivers (Vorbis' first
    // packets, Opus' end trimming, WMA superframes): those are measured by decoding.
    const QByteArray container = fmt_->iformat->name;
    const bool packetsExact = container.contains("mp3") || container.contains("mov") ||
                              container.contains("aac") || container.contains("wav") ||
                              container.contains("flac") || container.contains("aiff") ||
                              container.contains("w64");
    if (!packetsExact) return measureByDecoding();
    AVStream* st = fmt_->streams[stream_];
    std::int64_t total = 0;
    std::int64_t skipped = 0;
    bool durationsKnown = true;
    while (av_read_frame(fmt_, pkt_) >= 0) {
        if (pkt_->stream_index == stream_) {
            if (pkt_->duration > 0)
                total += pkt_->duration;
            else
                durationsKnown = false;
            size_t size = 0;
            if (const uint8_t* sd = av_packet_get_side_data(pkt_, AV_PKT_DATA_SKIP_SAMPLES, &size);
                sd && size >= 8) {
                std::uint32_t start = 0, end = 0;
                std::memcpy(&start, sd, 4);
                std::memcpy(&end, sd + 4, 4);
                skipped += std::int64_t(start) + std::int64_t(end);
            }
        }
        av_packet_unref(pkt_);
    }
    if (durationsKnown && total > 0) {
        const std::int64_t frames = av_rescale_q(total, st->time_base, AVRational{1, rate_});
        return std::max<std::int64_t>(0, frames - skipped);
    }
    return measureByDecoding();
}

// The fallback for containers without packet durations: decode everything and count.
std::int64_t FileDecoder::measureByDecoding() {
    std::int64_t frames = 0;
    eof_ = drained_ = false;
    avformat_seek_file(fmt_, stream_, INT64_MIN, 0, 0, 0);
    avcodec_flush_buffers(dec_);
    pending_.clear();
    pendingPos_ = 0;
    while (decodeMore()) {
        frames += std::int64_t(pending_.size() / kChannels);
        pending_.clear();
    }
    return frames;
}

bool FileDecoder::decodeMore() {
    for (;;) {
        const int r = avcodec_receive_frame(dec_, frame_);
        if (r == 0) {
            const int n = frame_->nb_samples;
            if (n <= 0) {
                av_frame_unref(frame_);
                continue;
            }
            std::int64_t index = decodedEnd_;
            const std::int64_t pts = frame_->best_effort_timestamp;
            // Time stamps only place the first frame (at the start and after a container seek);
            // from there on frames are counted, since some demuxers' stamps wander.
            lastHadPts_ = pts != AV_NOPTS_VALUE && ptsExact_;
            if (lastHadPts_ && (originPts_ == INT64_MIN || locate_)) {
                if (originPts_ == INT64_MIN) originPts_ = pts;
                index = av_rescale_q(pts - originPts_, fmt_->streams[stream_]->time_base,
                                     AVRational{1, rate_});
            }
            // The converter follows the frames: damaged or chained streams can change format,
            // layout or rate in mid-stream, and a converter set up for other frames would
            // read planes that are not there.
            if (!swr_ || !swrIn_ || frame_->format != swrIn_->format ||
                frame_->sample_rate != swrIn_->rate ||
                av_channel_layout_compare(&frame_->ch_layout, &swrIn_->layout) != 0) {
                swr_free(&swr_);
                swrIn_ = std::make_unique<SwrInput>();
                AVChannelLayout out;
                av_channel_layout_default(&out, srcChannels_ == 1 ? 1 : 2);
                if (frame_->sample_rate <= 0 || frame_->ch_layout.nb_channels <= 0 ||
                    swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_FLT, rate_, &frame_->ch_layout,
                                        AVSampleFormat(frame_->format), frame_->sample_rate, 0,
                                        nullptr) < 0 ||
                    swr_init(swr_) < 0) {
                    swr_free(&swr_);
                    av_frame_unref(frame_);
                    continue; // a frame that cannot be converted is skipped
                }
                av_channel_layout_copy(&swrIn_->layout, &frame_->ch_layout);
                swrIn_->format = frame_->format;
                swrIn_->rate = frame_->sample_rate;
            }
            const int outCh = srcChannels_ == 1 ? 1 : 2;
            const int room = swr_get_out_samples(swr_, n);
            if (room <= 0) {
                av_frame_unref(frame_);
                continue;
            }
            convert_.resize(std::size_t(room) * std::size_t(outCh));
            uint8_t* outPtr = reinterpret_cast<uint8_t*>(convert_.data());
            const int got = swr_convert(swr_, &outPtr, room,
                                        const_cast<const uint8_t**>(frame_->extended_data), n);
            av_frame_unref(frame_);
            if (got <= 0) continue;
            // Drop what was already consumed, keep the unread rest.
            if (pendingPos_ > 0) {
                pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(pendingPos_));
                pendingPos_ = 0;
            }
            const std::size_t base = pending_.size();
            pending_.resize(base + std::size_t(got) * kChannels);
            float* dst = pending_.data() + base;
            if (outCh == 1)
                for (int i = 0; i < got; ++i)
                    dst[2 * i] = dst[2 * i + 1] = convert_[std::size_t(i)];
            else
                std::memcpy(dst, convert_.data(), std::size_t(got) * kChannels * sizeof(float));
            if (base == 0) next_ = index;
            decodedEnd_ = index + got;
            locate_ = false;
            return true;
        }
        if (r == AVERROR_EOF) {
            drained_ = true;
            return false;
        }
        if (r != AVERROR(EAGAIN)) return false;
        if (eof_) return false;
        const int rr = av_read_frame(fmt_, pkt_);
        if (rr < 0) {
            eof_ = true;
            avcodec_send_packet(dec_, nullptr);
            continue;
        }
        if (pkt_->stream_index == stream_) avcodec_send_packet(dec_, pkt_);
        av_packet_unref(pkt_);
    }
}

int FileDecoder::read(float* out, int frames) {
    int done = 0;
    while (done < frames && next_ < length_) {
        std::size_t avail = (pending_.size() - pendingPos_) / kChannels;
        if (avail == 0) {
            pending_.clear();
            pendingPos_ = 0;
            if (!decodeMore()) break;
            continue;
        }
        std::int64_t take =
            std::min<std::int64_t>({std::int64_t(avail), frames - done, length_ - next_});
        std::memcpy(out + std::size_t(done) * kChannels, pending_.data() + pendingPos_,
                    std::size_t(take) * kChannels * sizeof(float));
        pendingPos_ += std::size_t(take) * kChannels;
        next_ += take;
        done += int(take);
    }
    return done;
}

// Discards decoded frames until next_ == frame; false if the stream ends first or the
// decoder is already past the frame.
bool FileDecoder::skipTo(std::int64_t frame) {
    while (next_ < frame) {
        std::size_t avail = (pending_.size() - pendingPos_) / kChannels;
        if (avail == 0) {
            pending_.clear();
            pendingPos_ = 0;
            if (!decodeMore()) return false;
            continue;
        }
        const std::int64_t take = std::min<std::int64_t>(std::int64_t(avail), frame - next_);
        pendingPos_ += std::size_t(take) * kChannels;
        next_ += take;
    }
    return next_ == frame;
}

bool FileDecoder::restart() {
    int error = kOk;
    if (!openContainer(path_, &error)) return false;
    next_ = decodedEnd_ = 0;
    originPts_ = INT64_MIN;
    decodeMore();
    return true;
}

bool FileDecoder::seek(std::int64_t frame) {
    if (!fmt_) return false;
    frame = std::clamp<std::int64_t>(frame, 0, length_);
    if (frame == next_) return true;
    // Within what is already decoded, or a short step forward: just read on.
    if (frame > next_ && frame - next_ < std::int64_t(rate_ * kPrerollSec * 2)) {
        if (skipTo(frame)) return true;
    }
    if (frame >= length_) {
        pending_.clear();
        pendingPos_ = 0;
        next_ = length_;
        return true;
    }
    return seekContainer(frame);
}

bool FileDecoder::seekContainer(std::int64_t frame) {
    AVStream* st = fmt_->streams[stream_];
    std::int64_t preroll = std::int64_t(rate_ * kPrerollSec);
    if (st->codecpar->seek_preroll > 0) preroll += st->codecpar->seek_preroll;
    for (int attempt = 0; ptsExact_ && attempt < 4 && originPts_ != INT64_MIN; ++attempt) {
        const std::int64_t target = frame - preroll;
        if (target <= 0) break;
        const std::int64_t ts =
            originPts_ + av_rescale_q(target, AVRational{1, rate_}, st->time_base);
        if (av_seek_frame(fmt_, stream_, ts, AVSEEK_FLAG_BACKWARD) < 0) break;
        avcodec_flush_buffers(dec_);
        if (swr_) swr_free(&swr_);
        eof_ = drained_ = false;
        pending_.clear();
        pendingPos_ = 0;
        decodedEnd_ = 0;
        locate_ = true;
        if (!decodeMore() || !lastHadPts_) break;
        if (next_ <= frame) {
            if (skipTo(frame)) return true;
            break;
        }
        preroll *= 4; // landed after the target: go further back
    }
    // The sure way: from the start, decoding everything up to the target.
    if (!restart()) return false;
    return skipTo(frame);
}

} // namespace wc::audio
