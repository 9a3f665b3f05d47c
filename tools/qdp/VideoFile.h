// Writing a video file with the FFmpeg libraries: pictures and stereo sound in, the container
// and codecs chosen by the file name's extension.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quib::qdp {

// The containers written, by extension: .mp4 and .mkv hold H.264 and AAC, .webm VP9 and Opus.
struct VideoFormat {
    const char* extension;
    const char* container; // the muxer's name
    const char* video;     // the encoders' names
    const char* audio;
    const char* codecs; // for people: "H.264 and AAC"
};

// The format of a file name's extension (in any case); null when none is written.
const VideoFormat* VideoFormatOf(const std::string& path);

class VideoFile {
public:
    VideoFile();
    ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // Creates the file for `framesPerSecond` pictures a second and sound at `sampleRate`.
    // False with why in `error`.
    bool Open(const std::string& path, const VideoFormat& format, int framesPerSecond,
              int sampleRate, std::string& error);
    // The next picture, ARGB top row first. The first one sets the video's size, rounded down
    // to even numbers (the colour planes are half as wide and high): one column or row less is
    // left out, a picture of another size later is scaled to it.
    bool Picture(const uint32_t* argb, int width, int height, std::string& error);
    // The next `frames` stereo frames, interleaved; only once the first picture is in.
    bool Sound(const float* stereo, size_t frames, std::string& error);
    // Writes what the encoders hold back and closes the file.
    bool Finish(std::string& error);
    int Width() const;
    int Height() const;

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace quib::qdp
