// Writing a video file: pictures and stereo sound in, the container and codecs chosen by the
// file name's extension. The writer lives in a module of its own, built on the FFmpeg
// libraries, and is loaded when a video is written: the other commands start without loading
// those libraries and the many they pull in.
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
    VideoFile() = default;
    virtual ~VideoFile() = default;
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // Creates the file for `framesPerSecond` pictures a second and sound at `sampleRate`.
    // False with why in `error`.
    virtual bool Open(const std::string& path, const VideoFormat& format, int framesPerSecond,
                      int sampleRate, std::string& error) = 0;
    // The next picture, ARGB top row first. The first one sets the video's size, rounded down
    // to even numbers (the colour planes are half as wide and high): one column or row less is
    // left out, a picture of another size later is scaled to it.
    virtual bool Picture(const uint32_t* argb, int width, int height, std::string& error) = 0;
    // The next `frames` stereo frames, interleaved; only once the first picture is in.
    virtual bool Sound(const float* stereo, size_t frames, std::string& error) = 0;
    // Writes what the encoders hold back and closes the file.
    virtual bool Finish(std::string& error) = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};

// A writer from the module at `module`, which stays loaded; null with why in `error`.
std::unique_ptr<VideoFile> LoadVideoFile(const std::string& module, std::string& error);

// Where the module of the running program is: the build and the installation place it at the
// same path relative to the program's folder.
std::string VideoModuleOfProgram();

} // namespace quib::qdp
