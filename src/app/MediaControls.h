// A remote control of the player that works on the render thread, once a frame.
#pragma once

namespace quib {

class EffectHost;

// Remote controls (the desktop's media keys and "now playing" panels) must drive the player
// on the thread that owns it: the render thread hands itself over once a frame, the control
// runs the requests it queued since the last frame and takes a fresh view of the player.
class MediaControls {
public:
    virtual ~MediaControls() = default;
    virtual void OnFrame(EffectHost& player) = 0;
};

} // namespace quib
