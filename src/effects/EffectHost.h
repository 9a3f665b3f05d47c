// What an effect sees of the running disk: pointer, display, player, commands, text, textures.
#pragma once

#include "host/audio/AudioOutput.h"

#include <cstdint>
#include <string>

namespace quib {

class TextRenderer;
class TextureStore;

// A narrow, read-mostly view of the player, implemented by the application and by the effect
// tests' fake. Effects read it on the render thread while they draw (and while they load, on
// the loading thread); they change the player only through ExecuteCommand and
// ConsumeEventFlag.
class EffectHost {
public:
    virtual ~EffectHost() = default;

    // The pointer in normalised device coordinates (x -1 left .. 1 right, y -1 bottom .. 1 top)
    // and whether the left button is held.
    virtual float MouseX() const = 0;
    virtual float MouseY() const = 0;
    virtual bool MouseDown() const = 0;

    // The display: window mode or the full desktop, the window's client height in pixels, the
    // display's current aspect (width / height) and the desktop's size in pixels.
    virtual bool Windowed() const = 0;
    virtual int32_t WindowHeight() const = 0;
    virtual float Aspect() const = 0;
    virtual int32_t DesktopWidth() const = 0;
    virtual int32_t DesktopHeight() const = 0;

    // The player: the current song's index (-1 with none) and title (description bytes, empty
    // with none), whether the user stopped playback, the song position in clock units (0
    // unless the current song plays or is paused), the current channel's state and the master
    // volume (0..1); the current song's length in clock units (one pass; 0 when unknown or with
    // no song).
    virtual int32_t CurrentSong() const = 0;
    virtual std::string CurrentSongTitle() const = 0;
    virtual bool UserStopped() const = 0;
    virtual int32_t GetPlaybackPosition() const = 0;
    virtual int64_t CurrentSongLength() const = 0;
    virtual ChannelState CurrentChannelState() const = 0;
    virtual float MasterVolume() const = 0;
    // The current song's spectrum: kSpectrumBins magnitudes of what is being heard. False (and
    // zeros) with no current song.
    virtual bool CurrentSpectrum(float* magnitudes) const = 0;

    // A player command (the PlayerCommand codes) with its argument.
    virtual void ExecuteCommand(int32_t code, int32_t argument) = 0;
    // Takes a raised event flag: true once per raise.
    virtual bool ConsumeEventFlag(int32_t n) = 0;

    // Services for effects that draw text and borrow the disk's images.
    virtual TextRenderer& Text() = 0;
    virtual TextureStore& Textures() = 0;
};

} // namespace quib
