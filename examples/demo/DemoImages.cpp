// The demo disk's pictures, drawn from shapes, gradients and text: background, logo, buttons
// with their three looks, the slider, the about panel, song covers and animation frames.
#include "DemoImages.h"

#include "Canvas.h"
#include "host/text/TextRenderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <utility>

namespace quib {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// ---- Distances -----------------------------------------------------------------------------

float Length(float x, float y) {
    return std::sqrt(x * x + y * y);
}

float RoundedBox(float px, float py, float cx, float cy, float halfWidth, float halfHeight,
                 float radius) {
    const float qx = std::fabs(px - cx) - halfWidth + radius;
    const float qy = std::fabs(py - cy) - halfHeight + radius;
    return Length(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) -
           radius;
}

float Circle(float px, float py, float cx, float cy, float radius) {
    return Length(px - cx, py - cy) - radius;
}

// Signed distance to a closed polygon (corners in order).
template <size_t N>
float Polygon(float px, float py, const std::array<std::pair<float, float>, N>& v) {
    float d = (px - v[0].first) * (px - v[0].first) + (py - v[0].second) * (py - v[0].second);
    float sign = 1.0f;
    for (size_t i = 0, j = N - 1; i < N; j = i, ++i) {
        const float ex = v[j].first - v[i].first;
        const float ey = v[j].second - v[i].second;
        const float wx = px - v[i].first;
        const float wy = py - v[i].second;
        const float t = std::clamp((wx * ex + wy * ey) / (ex * ex + ey * ey), 0.0f, 1.0f);
        const float bx = wx - ex * t;
        const float by = wy - ey * t;
        d = std::min(d, bx * bx + by * by);
        const bool c1 = py >= v[i].second;
        const bool c2 = py < v[j].second;
        const bool c3 = ex * wy > ey * wx;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) {
            sign = -sign;
        }
    }
    return sign * std::sqrt(d);
}

// A small deterministic generator, so every build draws the same pictures.
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed) {}
    float Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return (state_ & 0xFFFFFF) / 16777216.0f;
    }

private:
    uint32_t state_;
};

FontDescription Font(int pixels, bool bold) {
    FontDescription font;
    font.face = "DejaVu Sans";
    font.pixelHeight = pixels;
    font.weight = bold ? 700 : 400;
    return font;
}

// Where a picture lies on the 16:9 screen, in screen units as demo.toml places effects: x and y
// of the top-left corner (-1..1, y up), width and height.
struct Placement {
    float x, y, width, height;
};

// The places of demo.toml's effects. Image effects draw opaque rectangles (only the fade's
// alpha counts), so each picture is flattened onto the part of the screen it covers and its
// edges disappear into the background.
constexpr Placement kLogoPlace{-0.6f, 0.8f, 1.2f, 0.6667f};
constexpr Placement kAboutPlace{-0.5f, 0.62f, 1.0f, 1.1667f};
constexpr Placement kSpinnerPlace{-0.1f, -0.45f, 0.2f, 0.3556f};
constexpr Placement kBarPlace{-1.0f, -0.6f, 2.0f, 0.4f};
constexpr Placement kSliderPlace{0.2f, -0.73f, 0.5f, 0.0889f};
// The credits button at the top right, above the song pages.
constexpr Placement kCreditsPlace{0.82f, 0.96f, 0.14f, 0.2489f};
// The song list along the top, one button a song.
constexpr Placement SongPlace(int index) {
    return Placement{-0.95f + 0.45f * index, 0.95f, 0.42f, 0.1867f};
}
// The player's buttons from the left of the bar, then the about button at its right end.
constexpr Placement ButtonPlace(int index) {
    constexpr float kTop = -0.68f;
    constexpr float kWidth = 0.14f;
    constexpr float kHeight = 0.2489f;
    return index < 5 ? Placement{-0.9f + 0.16f * index, kTop, kWidth, kHeight}
                     : Placement{0.8f, kTop, kWidth, kHeight};
}

// The screen point under a point of a picture.
std::pair<float, float> ScreenPoint(const Canvas& screen, const Canvas& picture,
                                    const Placement& place, float px, float py) {
    const float sx = place.x + place.width * px / picture.Width();
    const float sy = place.y - place.height * py / picture.Height();
    return {(sx + 1.0f) * 0.5f * screen.Width(), (1.0f - sy) * 0.5f * screen.Height()};
}

// The picture over the part of the screen it will cover, opaque.
Canvas Flatten(const Canvas& screen, const Canvas& picture, const Placement& place) {
    Canvas flat(picture.Width(), picture.Height());
    flat.Fill([&](float px, float py) {
        const auto [sx, sy] = ScreenPoint(screen, picture, place, px, py);
        return screen.Sample(sx, sy);
    });
    flat.Fill([&](float px, float py) { return picture.Sample(px, py); });
    return flat;
}

// Paints the picture onto the screen at its place.
void Stamp(Canvas& screen, const Canvas& picture, const Placement& place) {
    screen.Fill([&](float sx, float sy) {
        const float x = ((sx / screen.Width()) * 2.0f - 1.0f - place.x) / place.width;
        const float y = (place.y - (1.0f - (sy / screen.Height()) * 2.0f)) / place.height;
        if (x < 0 || x >= 1 || y < 0 || y >= 1) {
            return Rgba{0, 0, 0, 0};
        }
        return picture.Sample(x * picture.Width(), y * picture.Height());
    });
}

const Rgba kCyan = Hex(0x3FE0FF);
const Rgba kMagenta = Hex(0xFF4FB8);
const Rgba kNight = Hex(0x0B1026);
const Rgba kPlum = Hex(0x2A1446);

// ---- Pictures ------------------------------------------------------------------------------

Canvas Background() {
    Canvas canvas(960, 540);
    const float horizon = 340.0f;
    canvas.Fill([&](float, float y) {
        return y < horizon ? Mix(kNight, kPlum, y / horizon)
                           : Mix(Hex(0x1A0B2E), kNight, (y - horizon) / 200.0f);
    });
    // A striped sun sinking behind the horizon.
    canvas.Glow([&](float x, float y) { return Circle(x, y, 480, 300, 120); },
                WithAlpha(kMagenta, 0.35f), 90.0f);
    canvas.Shape(
        [&](float x, float y) {
            const float stripe =
                (y > 250 && std::fmod(y - 250.0f, 18.0f) < 4.0f + (y - 250) / 16) ? 1.0f : -1.0f;
            return std::max({Circle(x, y, 480, 300, 120), y - horizon, stripe});
        },
        [&](float, float y) { return Mix(Hex(0xFFD36E), kMagenta, (y - 180) / 160.0f); });
    // Stars above the horizon.
    Random random(7);
    for (int i = 0; i < 160; ++i) {
        const float sx = random.Next() * 960.0f;
        const float sy = random.Next() * (horizon - 60.0f);
        const float size = 0.6f + random.Next() * 1.4f;
        const float brightness = 0.4f + random.Next() * 0.6f;
        canvas.Shape([&](float x, float y) { return Circle(x, y, sx, sy, size); },
                     [&](float, float) { return WithAlpha(Hex(0xE8F0FF), brightness); });
    }
    // A grid floor in perspective below the horizon.
    canvas.Fill([&](float x, float y) {
        if (y <= horizon) {
            return Rgba{0, 0, 0, 0};
        }
        const float depth = 60.0f / (y - horizon + 6.0f);
        const float row = std::fabs(std::fmod(depth * 8.0f, 1.0f) - 0.5f);
        const float column =
            std::fabs(std::fmod((x - 480.0f) * depth / 40.0f + 100.5f, 1.0f) - 0.5f);
        const float line = std::max(std::clamp((row - 0.44f) * 16.0f, 0.0f, 1.0f),
                                    std::clamp((column - 0.47f) * 18.0f, 0.0f, 1.0f));
        const float fade = std::clamp((y - horizon) / 120.0f, 0.0f, 1.0f);
        return WithAlpha(Mix(kMagenta, kCyan, fade), line * (0.3f + 0.6f * fade));
    });
    return canvas;
}

Canvas Logo(TextRenderer& text) {
    Canvas canvas(768, 240);
    const Rgba glow = WithAlpha(kCyan, 0.5f);
    auto gradient = [](float, float y) { return Mix(kCyan, kMagenta, (y - 20.0f) / 150.0f); };
    // A blurred copy first, then the sharp letters.
    for (int dy = -6; dy <= 6; dy += 3) {
        for (int dx = -6; dx <= 6; dx += 3) {
            canvas.Text(text, Font(150, true), "quib", dx, dy + 10, 768 + dx, 190 + dy, DT_CENTER,
                        [&](float, float) { return WithAlpha(glow, 0.06f); });
        }
    }
    canvas.Text(text, Font(150, true), "quib", 0, 10, 768, 190, DT_CENTER, gradient);
    canvas.Text(text, Font(34, false), "a music disk made of code", 0, 182, 768, 236, DT_CENTER,
                [](float, float) { return Hex(0xE8F0FF); });
    return canvas;
}

enum class Look { Normal, Hover, Pressed };

// A round glossy button with an icon drawn by `icon` (a distance in the 96-pixel square).
template <class Icon>
Canvas Button(Look look, Icon icon) {
    Canvas canvas(96, 96);
    const float shift = look == Look::Pressed ? 2.0f : 0.0f;
    auto body = [&](float x, float y) { return Circle(x, y, 48, 48 + shift, 38); };
    if (look == Look::Hover) {
        canvas.Glow(body, WithAlpha(kCyan, 0.6f), 9.0f);
    }
    const Rgba top = look == Look::Pressed ? Hex(0x1B2348) : Hex(0x3A4580);
    const Rgba bottom = look == Look::Pressed ? Hex(0x2E3A70) : Hex(0x141A38);
    canvas.Shape(body, [&](float, float y) { return Mix(top, bottom, (y - 10.0f) / 76.0f); });
    canvas.Shape(
        [&](float x, float y) { return std::fabs(body(x, y) + 1.5f) - 1.5f; },
        [&](float, float) { return look == Look::Normal ? WithAlpha(kCyan, 0.55f) : kCyan; });
    const Rgba iconColour = look == Look::Pressed ? kCyan : Hex(0xF0F4FF);
    canvas.Shape([&](float x, float y) { return icon(x, y - shift); },
                 [&](float, float) { return iconColour; });
    // Gloss on the upper half.
    canvas.Shape(
        [&](float x, float y) { return std::max(body(x, y) + 4.0f, y - 48 - shift); },
        [&](float, float y) { return WithAlpha(Hex(0xFFFFFF), 0.16f * (1 - (y - 14) / 40.0f)); });
    return canvas;
}

float PlayIcon(float x, float y) {
    return Polygon(x, y, std::array<std::pair<float, float>, 3>{{{38, 28}, {38, 68}, {70, 48}}});
}
float PauseIcon(float x, float y) {
    return std::min(RoundedBox(x, y, 38, 48, 6, 19, 2), RoundedBox(x, y, 58, 48, 6, 19, 2));
}
float StopIcon(float x, float y) {
    return RoundedBox(x, y, 48, 48, 17, 17, 3);
}
float NextIcon(float x, float y) {
    return std::min(
        {Polygon(x, y, std::array<std::pair<float, float>, 3>{{{30, 32}, {30, 64}, {50, 48}}}),
         Polygon(x, y, std::array<std::pair<float, float>, 3>{{{50, 32}, {50, 64}, {66, 48}}}),
         RoundedBox(x, y, 68, 48, 3, 16, 1)});
}
float PreviousIcon(float x, float y) {
    return NextIcon(96.0f - x, y);
}
float InfoIcon(float x, float y) {
    return std::min(Circle(x, y, 48, 31, 5.5f), RoundedBox(x, y, 48, 56, 5, 15, 2));
}

float CreditsIcon(float x, float y) {
    return std::min({RoundedBox(x, y, 48, 34, 18, 3, 1.5f), RoundedBox(x, y, 48, 48, 18, 3, 1.5f),
                     RoundedBox(x, y, 48, 62, 18, 3, 1.5f)});
}

// A pill of the song list with the song's number and title.
Canvas SongButton(TextRenderer& text, Look look, const std::string& label) {
    Canvas canvas(320, 80);
    auto body = [](float x, float y) { return RoundedBox(x, y, 160, 40, 148, 28, 28); };
    if (look == Look::Hover) {
        canvas.Glow(body, WithAlpha(kCyan, 0.6f), 8.0f);
    }
    const Rgba fill = look == Look::Pressed ? Hex(0x2E3A70) : Hex(0x1B2450);
    canvas.Shape(body, [&](float, float) { return WithAlpha(fill, 0.9f); });
    canvas.Shape(
        [&](float x, float y) { return std::fabs(body(x, y) + 1.0f) - 1.0f; },
        [&](float, float) { return look == Look::Normal ? WithAlpha(kCyan, 0.6f) : kCyan; });
    canvas.Text(text, Font(26, look == Look::Pressed), label, 20, 24, 300, 60, DT_CENTER,
                [&](float, float) { return look == Look::Pressed ? kCyan : Hex(0xF0F4FF); });
    return canvas;
}

Canvas SliderTrack() {
    Canvas canvas(480, 48);
    canvas.Shape([](float x, float y) { return RoundedBox(x, y, 240, 24, 230, 7, 7); },
                 [](float x, float) { return Mix(Hex(0x23305F), kCyan, x / 480.0f); });
    canvas.Shape(
        [](float x, float y) { return std::fabs(RoundedBox(x, y, 240, 24, 230, 7, 7) + 1) - 1; },
        [](float, float) { return WithAlpha(Hex(0xFFFFFF), 0.35f); });
    return canvas;
}

Canvas Knob() {
    Canvas canvas(48, 96);
    auto body = [](float x, float y) { return RoundedBox(x, y, 24, 48, 16, 40, 10); };
    canvas.Glow(body, WithAlpha(kMagenta, 0.5f), 6.0f);
    canvas.Shape(body, [](float, float y) { return Mix(Hex(0xF6F8FF), Hex(0x9AA8D8), y / 96.0f); });
    for (float line : {40.0f, 48.0f, 56.0f}) {
        canvas.Shape([&](float x, float y) { return RoundedBox(x, y, 24, line, 9, 1.2f, 1); },
                     [](float, float) { return Hex(0x5A6894); });
    }
    return canvas;
}

Canvas Bar() {
    Canvas canvas(960, 120);
    canvas.Shape(
        [](float x, float y) { return RoundedBox(x, y, 480, 70, 470, 44, 22); },
        [](float, float y) { return WithAlpha(Mix(Hex(0x1B2450), kNight, y / 120.0f), 0.78f); });
    canvas.Shape(
        [](float x, float y) { return std::fabs(RoundedBox(x, y, 480, 70, 470, 44, 22) + 1) - 1; },
        [](float x, float) { return WithAlpha(Mix(kCyan, kMagenta, x / 960.0f), 0.8f); });
    return canvas;
}

Canvas Panel(TextRenderer& text) {
    Canvas canvas(640, 420);
    auto body = [](float x, float y) { return RoundedBox(x, y, 320, 210, 300, 190, 24); };
    canvas.Glow(body, WithAlpha(kCyan, 0.35f), 14.0f);
    canvas.Shape(body, [](float, float y) {
        return WithAlpha(Mix(Hex(0x1D2658), kNight, y / 420.0f), 0.92f);
    });
    canvas.Text(text, Font(34, true), "About this disk", 40, 50, 600, 100, DT_CENTER,
                [](float, float y) { return Mix(kCyan, kMagenta, (y - 50) / 50.0f); });
    canvas.Text(text, Font(21, false),
                "Everything on this disk was made by a program:\n"
                "the pictures are drawn from shapes and gradients,\n"
                "the tracker tune is composed note by note,\n"
                "and the second song is synthesised sample by sample.\n\n"
                "Press the button again to close this panel.",
                40, 120, 600, 390, DT_CENTER, [](float, float) { return Hex(0xE8F0FF); });
    return canvas;
}

// Cover art: interference rings in the song's colours, with its title across the bottom.
Canvas Cover(TextRenderer& text, const std::string& title, Rgba inner, Rgba outer, float waves) {
    Canvas canvas(512, 512);
    auto frame = [](float x, float y) { return RoundedBox(x, y, 256, 256, 256, 256, 0); };
    canvas.Shape(frame, [&](float x, float y) {
        const float a = Length(x - 180, y - 200) / 40.0f;
        const float b = Length(x - 340, y - 300) / (40.0f * waves);
        const float v =
            0.5f + 0.25f * std::sin(a * 2 * kPi / 3) + 0.25f * std::sin(b * 2 * kPi / 3);
        return Mix(inner, outer, std::clamp(v, 0.0f, 1.0f));
    });
    canvas.Shape(
        [&](float x, float y) {
            return std::max(frame(x, y), RoundedBox(x, y, 256, 440, 256, 56, 0));
        },
        [](float, float) { return WithAlpha(kNight, 0.6f); });
    canvas.Text(text, Font(40, true), title, 20, 406, 492, 470, DT_CENTER,
                [](float, float) { return Hex(0xF0F4FF); });
    return canvas;
}

// Frame `index` of `count` of a spinner: a ring of dots with a bright head and a fading tail.
Canvas SpinnerFrame(int index, int count) {
    Canvas canvas(128, 128);
    for (int dot = 0; dot < count; ++dot) {
        const float angle = 2 * kPi * dot / count - kPi / 2;
        const float cx = 64 + std::cos(angle) * 44;
        const float cy = 64 + std::sin(angle) * 44;
        const int age = (index - dot + count) % count;
        const float strength = 1.0f - static_cast<float>(age) / count;
        const float radius = 5.0f + 5.0f * strength;
        canvas.Shape([&](float x, float y) { return Circle(x, y, cx, cy, radius); },
                     [&](float, float) {
                         return WithAlpha(Mix(kMagenta, kCyan, strength), 0.25f + 0.75f * strength);
                     });
    }
    return canvas;
}

} // namespace

bool MakeDemoImages(const std::string& folder) {
    TextRenderer text;
    if (!text.IsReady()) {
        std::fprintf(stderr, "demo images: no fonts available\n");
        return false;
    }
    bool ok = true;
    auto save = [&](const Canvas& canvas, const std::string& name) {
        if (!canvas.Save(folder + "/" + name)) {
            std::fprintf(stderr, "demo images: cannot write %s/%s\n", folder.c_str(), name.c_str());
            ok = false;
        }
    };
    const Canvas background = Background();
    Canvas barScreen = background;
    const Canvas bar = Bar();
    Stamp(barScreen, bar, kBarPlace);
    save(background, "images/background.png");
    save(Flatten(background, Logo(text), kLogoPlace), "images/logo.png");
    save(Flatten(background, bar, kBarPlace), "images/bar.png");
    save(Flatten(barScreen, SliderTrack(), kSliderPlace), "images/slider-track.png");
    save(Knob(), "images/knob.png"); // a slider draws with its texture's alpha
    save(Flatten(background, Panel(text), kAboutPlace), "images/about.png");
    save(Cover(text, "Lantern Lights", kCyan, kPlum, 1.0f), "images/cover-tune.png");
    save(Cover(text, "Slow Tide", kMagenta, kNight, 1.7f), "images/cover-stream.png");

    using Icon = float (*)(float, float);
    const std::pair<const char*, Icon> icons[] = {{"play", PlayIcon}, {"pause", PauseIcon},
                                                  {"stop", StopIcon}, {"previous", PreviousIcon},
                                                  {"next", NextIcon}, {"about", InfoIcon}};
    for (int i = 0; i < static_cast<int>(std::size(icons)); ++i) {
        const auto [name, icon] = icons[i];
        const Placement place = ButtonPlace(i);
        const std::string base = std::string("buttons/") + name;
        save(Flatten(barScreen, Button(Look::Normal, icon), place), base + ".png");
        save(Flatten(barScreen, Button(Look::Hover, icon), place), base + "-hover.png");
        save(Flatten(barScreen, Button(Look::Pressed, icon), place), base + "-down.png");
    }
    const Look looks[] = {Look::Normal, Look::Hover, Look::Pressed};
    const char* suffixes[] = {".png", "-hover.png", "-down.png"};
    for (int look = 0; look < 3; ++look) {
        save(Flatten(background, Button(looks[look], CreditsIcon), kCreditsPlace),
             std::string("buttons/credits") + suffixes[look]);
        const char* labels[] = {"1  Lantern Lights", "2  Slow Tide"};
        for (int song = 0; song < 2; ++song) {
            save(Flatten(background, SongButton(text, looks[look], labels[song]), SongPlace(song)),
                 "buttons/song" + std::to_string(song + 1) + suffixes[look]);
        }
    }
    for (int i = 0; i < kSpinnerFrames; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "anim/spinner-%02d.png", i);
        save(Flatten(background, SpinnerFrame(i, kSpinnerFrames), kSpinnerPlace), name);
    }
    return ok;
}

} // namespace quib
