// Sampled streams decoded by libsndfile in chunks, resampled to the output rate by libsoxr.
#include "host/audio/AudioSourceStream.h"

#include "host/audio/AudioOutput.h"

#include <sndfile.h>
#include <soxr.h>

namespace quib {

namespace {

// Frames decoded from the file per read: bounds the work of one read on the mixing thread.
constexpr size_t kReadFrames = 1024;

} // namespace

std::unique_ptr<AudioSourceStream> AudioSourceStream::Open(const char* path, uint32_t flags) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (file == nullptr) {
        return nullptr;
    }
    std::unique_ptr<AudioSourceStream> source(new AudioSourceStream());
    source->file_ = file;
    if (info.channels < 1 || info.samplerate < 1) {
        return nullptr;
    }
    source->rate_ = static_cast<uint32_t>(info.samplerate);
    source->channels_ = info.channels;
    source->loop_ = (flags & kAudioLoop) != 0;
    // Formats that cannot tell their length report 0 or SF_COUNT_MAX frames.
    if (info.frames > 0 && info.frames < SF_COUNT_MAX / AudioOutput::kFrequency) {
        const uint64_t frames = static_cast<uint64_t>(info.frames);
        source->length_ = (frames * AudioOutput::kFrequency + source->rate_ / 2) / source->rate_;
    }
    source->raw_.resize(kReadFrames * static_cast<size_t>(info.channels));
    if (source->rate_ != AudioOutput::kFrequency) {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        soxr_error_t error = nullptr;
        source->resampler_ =
            soxr_create(source->rate_, AudioOutput::kFrequency, 2, &error, &io, &quality, nullptr);
        if (error != nullptr) {
            return nullptr;
        }
        source->input_.resize(kReadFrames * 2);
    }
    return source;
}

AudioSourceStream::~AudioSourceStream() {
    if (resampler_ != nullptr) {
        soxr_delete(resampler_);
    }
    if (file_ != nullptr) {
        sf_close(file_);
    }
}

size_t AudioSourceStream::ReadStereo(float* stereo, size_t frames) {
    size_t done = 0;
    while (done < frames) {
        const size_t want = std::min(frames - done, kReadFrames);
        const sf_count_t got = sf_readf_float(file_, raw_.data(), static_cast<sf_count_t>(want));
        if (got <= 0) {
            break;
        }
        for (sf_count_t i = 0; i < got; ++i) {
            const float* in = &raw_[static_cast<size_t>(i * channels_)];
            float* out = stereo + 2 * (done + static_cast<size_t>(i));
            out[0] = in[0];
            out[1] = channels_ > 1 ? in[1] : in[0];
        }
        done += static_cast<size_t>(got);
    }
    return done;
}

size_t AudioSourceStream::RenderOnce(float* stereo, size_t frames) {
    if (resampler_ == nullptr) {
        return ReadStereo(stereo, frames);
    }
    size_t done = 0;
    while (done < frames) {
        if (inputOffset_ == inputFrames_ && !inputEnded_) {
            inputFrames_ = ReadStereo(input_.data(), kReadFrames);
            inputOffset_ = 0;
            inputEnded_ = inputFrames_ == 0;
        }
        // After the last input a null input tells the resampler to flush what it holds.
        const float* in = inputEnded_ ? nullptr : input_.data() + 2 * inputOffset_;
        const size_t inFrames = inputEnded_ ? 0 : inputFrames_ - inputOffset_;
        size_t used = 0;
        size_t made = 0;
        if (soxr_process(resampler_, in, inFrames, &used, stereo + 2 * done, frames - done,
                         &made) != nullptr) {
            break;
        }
        inputOffset_ += used;
        done += made;
        if (inputEnded_ && made == 0) {
            break;
        }
    }
    return done;
}

size_t AudioSourceStream::Render(float* stereo, size_t frames) {
    size_t done = RenderOnce(stereo, frames);
    // A looping stream starts again at its end; one that yields nothing from its start is
    // empty and ends instead of spinning.
    while (loop_ && done < frames) {
        Rewind();
        const size_t more = RenderOnce(stereo + 2 * done, frames - done);
        if (more == 0) {
            break;
        }
        done += more;
    }
    return done;
}

void AudioSourceStream::Rewind() {
    sf_seek(file_, 0, SEEK_SET);
    if (resampler_ != nullptr) {
        soxr_clear(resampler_);
    }
    inputEnded_ = false;
    inputOffset_ = 0;
    inputFrames_ = 0;
}

} // namespace quib
