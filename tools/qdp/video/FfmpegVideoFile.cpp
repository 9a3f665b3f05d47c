// The video file writer module: writing with the FFmpeg libraries.
#include "VideoFile.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <iterator>
#include <new>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace quib::qdp {

namespace {

// An audio frame's length when the encoder takes any.
constexpr int kAnyFrameSize = 1024;

std::string Why(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

bool Fail(std::string& error, const std::string& what, int code) {
    error = what + ": " + Why(code);
    return false;
}

struct FreeContext {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    void operator()(AVFrame* f) const { av_frame_free(&f); }
    void operator()(AVPacket* p) const { av_packet_free(&p); }
    void operator()(SwrContext* s) const { swr_free(&s); }
    void operator()(SwsContext* s) const { sws_freeContext(s); }
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
template <typename T>
using Owned = std::unique_ptr<T, FreeContext>;

// The encoder's sample rate: `wanted` when it takes it, else the first it lists.
int SampleRateFor(const AVCodec& codec, int wanted) {
    if (codec.supported_samplerates == nullptr) {
        return wanted;
    }
    for (const int* rate = codec.supported_samplerates; *rate != 0; ++rate) {
        if (*rate == wanted) {
            return wanted;
        }
    }
    return codec.supported_samplerates[0];
}

// Floats when the encoder takes them (planar or not), else its first format.
AVSampleFormat SampleFormatFor(const AVCodec& codec) {
    for (const AVSampleFormat* f = codec.sample_fmts; f != nullptr && *f != AV_SAMPLE_FMT_NONE;
         ++f) {
        if (*f == AV_SAMPLE_FMT_FLTP || *f == AV_SAMPLE_FMT_FLT) {
            return *f;
        }
    }
    return codec.sample_fmts != nullptr ? codec.sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
}

// The file and its encoders.
struct State {
    ~State() {
        if (output != nullptr) {
            avio_closep(&output->pb);
            avformat_free_context(output);
        }
    }

    // Sends `frame` (null: the end) to the encoder and writes what it gives back.
    bool Encode(AVCodecContext& codec, AVStream& stream, const AVFrame* frame, std::string& error) {
        int result = avcodec_send_frame(&codec, frame);
        if (result < 0) {
            return Fail(error, "encoding", result);
        }
        while ((result = avcodec_receive_packet(&codec, packet.get())) >= 0) {
            if (packet->duration == 0 && codec.codec_type == AVMEDIA_TYPE_VIDEO) {
                packet->duration = 1; // a frame; the last one's sets the length
            }
            av_packet_rescale_ts(packet.get(), codec.time_base, stream.time_base);
            packet->stream_index = stream.index;
            result = av_interleaved_write_frame(output, packet.get());
            if (result < 0) {
                return Fail(error, "writing", result);
            }
        }
        return result == AVERROR(EAGAIN) || result == AVERROR_EOF ||
               Fail(error, "encoding", result);
    }

    // Opens the encoder of `name` for a new stream; false with why.
    bool AddStream(const char* name, Owned<AVCodecContext>& codec, AVStream*& stream,
                   const std::function<void(AVCodecContext&)>& configure, std::string& error) {
        const AVCodec* encoder = avcodec_find_encoder_by_name(name);
        if (encoder == nullptr) {
            error = std::string("this FFmpeg has no ") + name + " encoder";
            return false;
        }
        codec.reset(avcodec_alloc_context3(encoder));
        stream = avformat_new_stream(output, nullptr);
        if (!codec || stream == nullptr) {
            return Fail(error, name, AVERROR(ENOMEM));
        }
        configure(*codec);
        if ((output->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
            codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
        int result = avcodec_open2(codec.get(), encoder, nullptr);
        if (result >= 0) {
            result = avcodec_parameters_from_context(stream->codecpar, codec.get());
        }
        stream->time_base = codec->time_base;
        return result >= 0 || Fail(error, name, result);
    }

    // The streams and the header, once the first picture tells the size.
    bool Start(int pictureWidth, int pictureHeight, std::string& error) {
        width = std::max(2, pictureWidth & ~1);
        height = std::max(2, pictureHeight & ~1);
        const bool added = AddStream(
                               format->video, video, videoStream,
                               [&](AVCodecContext& c) {
                                   c.width = width;
                                   c.height = height;
                                   c.pix_fmt = AV_PIX_FMT_YUV420P;
                                   c.time_base = {1, framesPerSecond};
                                   c.framerate = {framesPerSecond, 1};
                                   c.gop_size = 2 * framesPerSecond;
                                   c.colorspace = AVCOL_SPC_SMPTE170M; // what swscale converts with
                                   c.color_range = AVCOL_RANGE_MPEG;
                                   // Near-lossless pictures at a speed close to the rendering's.
                                   if (std::string(format->video) == "libx264") {
                                       av_opt_set(c.priv_data, "preset", "veryfast", 0);
                                       av_opt_set(c.priv_data, "crf", "18", 0);
                                   } else {
                                       av_opt_set(c.priv_data, "crf", "24", 0);
                                       av_opt_set(c.priv_data, "deadline", "realtime", 0);
                                       av_opt_set(c.priv_data, "cpu-used", "8", 0);
                                       av_opt_set(c.priv_data, "row-mt", "1", 0);
                                       c.bit_rate = 0;
                                   }
                               },
                               error) &&
                           AddStream(
                               format->audio, audio, audioStream,
                               [&](AVCodecContext& c) {
                                   c.sample_fmt = SampleFormatFor(*c.codec);
                                   c.sample_rate = SampleRateFor(*c.codec, sampleRate);
                                   c.time_base = {1, c.sample_rate};
                                   c.ch_layout = AV_CHANNEL_LAYOUT_STEREO;
                                   c.bit_rate = 192000;
                               },
                               error);
        if (!added) {
            return false;
        }
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        SwrContext* made = nullptr;
        int result =
            swr_alloc_set_opts2(&made, &audio->ch_layout, audio->sample_fmt, audio->sample_rate,
                                &stereo, AV_SAMPLE_FMT_FLT, sampleRate, 0, nullptr);
        resampler.reset(made);
        if (result >= 0) {
            result = swr_init(resampler.get());
        }
        fifo.reset(av_audio_fifo_alloc(audio->sample_fmt, 2, kAnyFrameSize));
        picture.reset(av_frame_alloc());
        if (result < 0 || !fifo || !picture) {
            return Fail(error, "the resampler", result < 0 ? result : AVERROR(ENOMEM));
        }
        picture->format = AV_PIX_FMT_YUV420P;
        picture->width = width;
        picture->height = height;
        result = av_frame_get_buffer(picture.get(), 0);
        AVDictionary* options = nullptr;
        if (std::string(format->container) == "mp4") {
            av_dict_set(&options, "movflags", "+faststart", 0); // playable while it loads
        }
        if (result >= 0) {
            result = avformat_write_header(output, &options);
        }
        av_dict_free(&options);
        started = result >= 0;
        return started || Fail(error, "the header", result);
    }

    // Encodes the sound waiting, in the encoder's frame length; `last` sends the rest too.
    bool DrainSound(bool last, std::string& error) {
        const int length = audio->frame_size > 0 ? audio->frame_size : kAnyFrameSize;
        while (av_audio_fifo_size(fifo.get()) >= length ||
               (last && av_audio_fifo_size(fifo.get()) > 0)) {
            Owned<AVFrame> frame(av_frame_alloc());
            if (!frame) {
                return Fail(error, "sound", AVERROR(ENOMEM));
            }
            frame->nb_samples = std::min(length, av_audio_fifo_size(fifo.get()));
            frame->format = audio->sample_fmt;
            frame->sample_rate = audio->sample_rate;
            int result = av_channel_layout_copy(&frame->ch_layout, &audio->ch_layout);
            if (result >= 0) {
                result = av_frame_get_buffer(frame.get(), 0);
            }
            if (result < 0) {
                return Fail(error, "sound", result);
            }
            av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(frame->data),
                               frame->nb_samples);
            frame->pts = samplesEncoded;
            samplesEncoded += frame->nb_samples;
            if (!Encode(*audio, *audioStream, frame.get(), error)) {
                return false;
            }
        }
        return true;
    }

    // Resamples `frames` stereo frames (none with null: what the resampler holds) into the
    // queue, then encodes what fills whole encoder frames.
    bool QueueSound(const float* stereo, int frames, std::string& error) {
        const int room = swr_get_out_samples(resampler.get(), frames);
        uint8_t* planes[2] = {};
        int result = av_samples_alloc(planes, nullptr, 2, std::max(room, 1), audio->sample_fmt, 0);
        if (result < 0) {
            return Fail(error, "sound", result);
        }
        const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(stereo)};
        result =
            swr_convert(resampler.get(), planes, room, stereo != nullptr ? in : nullptr, frames);
        if (result > 0) {
            result = av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(planes), result);
        }
        av_freep(&planes[0]);
        return (result >= 0 || Fail(error, "resampling", result)) && DrainSound(false, error);
    }

    const VideoFormat* format = nullptr;
    int framesPerSecond = 60;
    int sampleRate = 44100;
    int width = 0;
    int height = 0;
    bool started = false;
    int64_t picturesEncoded = 0;
    int64_t samplesEncoded = 0;
    AVFormatContext* output = nullptr;
    Owned<AVCodecContext> video;
    Owned<AVCodecContext> audio;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    Owned<AVPacket> packet{av_packet_alloc()};
    Owned<AVFrame> picture;
    Owned<SwsContext> scaler;
    Owned<SwrContext> resampler;
    Owned<AVAudioFifo> fifo;
};

// The writer the module makes.
class FfmpegVideoFile final : public VideoFile {
public:
    bool Open(const std::string& path, const VideoFormat& format, int framesPerSecond,
              int sampleRate, std::string& error) override;
    bool Picture(const uint32_t* argb, int width, int height, std::string& error) override;
    bool Sound(const float* stereo, size_t frames, std::string& error) override;
    bool Finish(std::string& error) override;
    int Width() const override { return state.width; }
    int Height() const override { return state.height; }

private:
    State state;
};

bool FfmpegVideoFile::Open(const std::string& path, const VideoFormat& format, int framesPerSecond,
                           int sampleRate, std::string& error) {
    av_log_set_level(AV_LOG_ERROR);
    state.format = &format;
    state.framesPerSecond = framesPerSecond;
    state.sampleRate = sampleRate;
    int result =
        avformat_alloc_output_context2(&state.output, nullptr, format.container, path.c_str());
    if (result < 0) {
        return Fail(error, format.container, result);
    }
    result = avio_open(&state.output->pb, path.c_str(), AVIO_FLAG_WRITE);
    return result >= 0 || Fail(error, "cannot create", result);
}

bool FfmpegVideoFile::Picture(const uint32_t* argb, int width, int height, std::string& error) {
    State& s = state;
    if (!s.started && !s.Start(width, height, error)) {
        return false;
    }
    // A picture one column or row larger is cut, any other size scaled.
    const bool cut =
        width - s.width <= 1 && width >= s.width && height - s.height <= 1 && height >= s.height;
    const int sourceWidth = cut ? s.width : width;
    const int sourceHeight = cut ? s.height : height;
    s.scaler.reset(sws_getCachedContext(s.scaler.release(), sourceWidth, sourceHeight,
                                        AV_PIX_FMT_RGB32, s.width, s.height, AV_PIX_FMT_YUV420P,
                                        SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!s.scaler) {
        error = "no colour conversion from " + std::to_string(width) + "x" + std::to_string(height);
        return false;
    }
    const int result = av_frame_make_writable(s.picture.get());
    if (result < 0) {
        return Fail(error, "a picture", result);
    }
    const uint8_t* planes[1] = {reinterpret_cast<const uint8_t*>(argb)};
    const int strides[1] = {4 * width};
    sws_scale(s.scaler.get(), planes, strides, 0, sourceHeight, s.picture->data,
              s.picture->linesize);
    s.picture->pts = s.picturesEncoded++;
    return s.Encode(*s.video, *s.videoStream, s.picture.get(), error);
}

bool FfmpegVideoFile::Sound(const float* stereo, size_t frames, std::string& error) {
    return state.QueueSound(stereo, static_cast<int>(frames), error);
}

bool FfmpegVideoFile::Finish(std::string& error) {
    State& s = state;
    if (!s.started) {
        error = "no picture was recorded";
        return false;
    }
    if (!s.QueueSound(nullptr, 0, error) || !s.DrainSound(true, error) ||
        !s.Encode(*s.video, *s.videoStream, nullptr, error) ||
        !s.Encode(*s.audio, *s.audioStream, nullptr, error)) {
        return false;
    }
    int result = av_write_trailer(s.output);
    if (result >= 0) {
        result = avio_closep(&s.output->pb);
    }
    return result >= 0 || Fail(error, "closing", result);
}

} // namespace

} // namespace quib::qdp

extern "C" __attribute__((visibility("default"))) quib::qdp::VideoFile* quib_new_video_file() {
    return new (std::nothrow) quib::qdp::FfmpegVideoFile;
}
