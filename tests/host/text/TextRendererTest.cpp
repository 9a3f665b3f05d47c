// Font selection, measuring and drawing of the text renderer, read back from real pixels.
#include "host/text/TextRenderer.h"

#include "host/text/TextCanvas.h"

#include <gtest/gtest.h>
#include <string>

namespace quib {
namespace {

using test::InkBounds;
using test::TextCanvas;

class TextRendererTest : public testing::Test {
protected:
    static FontDescription Font(int pixelHeight = 24, std::string face = "Arial") {
        FontDescription font;
        font.face = std::move(face);
        font.pixelHeight = pixelHeight;
        return font;
    }

    TextRect Measure(const FontDescription& font, std::string_view text, std::uint32_t format,
                     TextRect rect = {0, 0, 1, 1}) {
        EXPECT_TRUE(renderer.MeasureText(font, text, rect, format));
        return rect;
    }

    int Width(std::string_view text, std::uint32_t format = DT_SINGLELINE | DT_NOPREFIX,
              const FontDescription& font = Font()) {
        return Measure(font, text, format).Width();
    }

    InkBounds DrawInk(TextCanvas& canvas, const FontDescription& font, std::string_view text,
                      std::uint32_t format, TextRect rect) {
        EXPECT_TRUE(renderer.DrawText(font, text, rect, format, canvas.Surface()));
        return canvas.Ink();
    }

    TextRenderer renderer;
};

// --- Font selection ---

TEST_F(TextRendererTest, CommonWindowsFacesResolveToTheirMetricTwins) {
    ASSERT_TRUE(renderer.IsReady());
    const std::pair<const char*, const char*> twins[] = {{"Arial", "Liberation Sans"},
                                                         {"Times New Roman", "Liberation Serif"},
                                                         {"Courier New", "Liberation Mono"}};
    for (const auto& [face, family] : twins) {
        EXPECT_EQ(renderer.ResolvedFamily(Font(24, face)), family) << face;
        EXPECT_TRUE(renderer.HasFace(Font(24, face))) << face;
    }
    EXPECT_TRUE(renderer.HasFace(Font(24, "dejavu sans"))) << "names match without case";
}

TEST_F(TextRendererTest, AFaceThatDoesNotExistStillDraws) {
    const FontDescription missing = Font(24, "No Such Face: Really-Not");
    EXPECT_FALSE(renderer.HasFace(missing));
    EXPECT_FALSE(renderer.ResolvedFamily(missing).empty());
    TextCanvas canvas(200, 40);
    const InkBounds ink = DrawInk(canvas, missing, "Fallback", DT_SINGLELINE, {0, 0, 200, 40});
    EXPECT_FALSE(ink.empty);
    EXPECT_EQ(Measure(missing, "Fallback", DT_SINGLELINE).Height(), 24);
}

TEST_F(TextRendererTest, BoldIsWiderThanRegular) {
    FontDescription bold = Font();
    bold.weight = 700;
    const std::string title = "The Bold and the Regular";
    EXPECT_GT(Width(title, DT_SINGLELINE, bold), Width(title, DT_SINGLELINE));
}

TEST_F(TextRendererTest, SynthesisesBoldAndSlantForAFaceWithoutThem) {
    // The math face of the DejaVu family comes in one regular style only.
    const FontDescription plain = Font(24, "DejaVu Math TeX Gyre");
    ASSERT_TRUE(renderer.HasFace(plain)) << "scripts/install-deps installs fonts-dejavu-extra";
    FontDescription bold = plain;
    bold.weight = 700;
    FontDescription italic = plain;
    italic.italic = true;
    EXPECT_EQ(renderer.ResolvedFamily(bold), renderer.ResolvedFamily(plain));
    EXPECT_GT(Width("Emboldened text", DT_SINGLELINE, bold),
              Width("Emboldened text", DT_SINGLELINE, plain));

    // A slanted 'l' leans right: its top row starts further right than its bottom row.
    TextCanvas upright(60, 40);
    TextCanvas slanted(60, 40);
    const InkBounds a = DrawInk(upright, plain, "l", DT_SINGLELINE, {10, 0, 60, 40});
    const InkBounds b = DrawInk(slanted, italic, "l", DT_SINGLELINE, {10, 0, 60, 40});
    const auto firstInk = [](const TextCanvas& canvas, int y) {
        for (int x = 0; x < canvas.width; ++x) {
            if (canvas.Coverage(x, y) > 128) {
                return x;
            }
        }
        return -1;
    };
    EXPECT_LE(std::abs(firstInk(upright, a.top + 1) - firstInk(upright, a.bottom - 2)), 1);
    EXPECT_GE(firstInk(slanted, b.top + 1) - firstInk(slanted, b.bottom - 2), 2);
}

TEST_F(TextRendererTest, TheCellHeightIsThePixelHeight) {
    for (const int height : {9, 12, 24, 33, 64}) {
        EXPECT_EQ(Measure(Font(height), "Cell", DT_SINGLELINE).Height(), height);
        EXPECT_EQ(Measure(Font(height), "One\nTwo\nThree", 0).Height(), 3 * height);
    }
    // A negative height asks for the em height, so the cell is taller.
    EXPECT_GT(Measure(Font(-24), "Em", DT_SINGLELINE).Height(), 24);
}

// --- Measuring ---

TEST_F(TextRendererTest, MeasuredWidthGrowsWithTheText) {
    const std::string text = "Music disk";
    int previous = 0;
    for (std::size_t length = 1; length <= text.size(); ++length) {
        const int width = Width(text.substr(0, length));
        if (text[length - 1] != ' ') {
            EXPECT_GT(width, previous) << text.substr(0, length);
        }
        previous = width;
    }
    EXPECT_EQ(Width(""), 0);
}

TEST_F(TextRendererTest, MeasuredWidthMatchesTheDrawnExtent) {
    for (const char* text : {"Hello, World", "Track 01: Intro", "mmmmmmmm", "W"}) {
        const TextRect measured = Measure(Font(), text, DT_SINGLELINE);
        TextCanvas canvas(measured.Width() + 20, 30);
        const InkBounds ink =
            DrawInk(canvas, Font(), text, DT_SINGLELINE | DT_NOCLIP, {0, 0, measured.right, 30});
        EXPECT_LE(ink.left, 2) << text;
        EXPECT_LE(std::abs(ink.right - measured.right), 2) << text;
    }
}

TEST_F(TextRendererTest, ShapingAppliesKerning) {
    EXPECT_LT(Width("AV", DT_SINGLELINE, Font(64)),
              Width("A", DT_SINGLELINE, Font(64)) + Width("V", DT_SINGLELINE, Font(64)) - 2);
}

TEST_F(TextRendererTest, CalculatedHeightEqualsTheDrawnHeight) {
    const std::string text = "First line\nSecond line\r\nthird, jumpy";
    const TextRect measured = Measure(Font(), text, 0, {0, 0, 300, 1});
    ASSERT_EQ(measured.Height(), 3 * 24);
    TextCanvas canvas(300, 120);
    const InkBounds ink = DrawInk(canvas, Font(), text, DT_NOCLIP, {0, 0, 300, 120});
    EXPECT_LT(ink.top, 24 / 2);
    EXPECT_LE(ink.bottom, measured.bottom);
    EXPECT_GT(ink.bottom, measured.bottom - 24 / 3) << "descenders reach the cell's bottom";
}

TEST_F(TextRendererTest, LineBreaksBreakLines) {
    struct Case {
        const char* text;
        std::uint32_t format;
        int lines;
    };
    const Case cases[] = {{"a\r\nb", 0, 2},
                          {"a\nb", 0, 2},
                          {"a\rb", 0, 2},
                          {"a\n\rb", 0, 3},
                          {"a\n\nb", 0, 3},
                          {"a\n", 0, 1},
                          {"", 0, 1},
                          {"\n", 0, 1},
                          {"a\r\nb", DT_SINGLELINE, 1},
                          {"a\nb\n", DT_SINGLELINE, 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(Measure(Font(), c.text, c.format).Height(), 24 * c.lines)
            << '"' << c.text << "\" format " << c.format;
    }
    // On one line a break separates its neighbours as a space does.
    EXPECT_EQ(Width("Title\r\nArtist"), Width("Title Artist"));
}

// --- Word break ---

TEST_F(TextRendererTest, WordBreakWrapsAtSpacesWithinTheWidth) {
    const std::string text =
        "Greetings fly out to everyone who kept the scene alive through the long winter "
        "nights, and to all who sent in their music for this disk.";
    const int wrap = 200;
    const TextRect measured = Measure(Font(), text, DT_WORDBREAK, {0, 0, wrap, 1});
    EXPECT_LE(measured.Width(), wrap);
    EXPECT_GE(measured.Height(), 5 * 24);
    TextCanvas canvas(400, measured.Height() + 24);
    const InkBounds ink =
        DrawInk(canvas, Font(), text, DT_WORDBREAK | DT_NOCLIP, {0, 0, wrap, measured.Height()});
    EXPECT_LE(ink.right, wrap + 1);
    EXPECT_LE(ink.bottom, measured.bottom);

    // Exactly as wide as two words keeps them together; a pixel less breaks at the space.
    const int both = Width("alpha beta");
    EXPECT_EQ(Measure(Font(), "alpha beta", DT_WORDBREAK, {0, 0, both, 1}).Height(), 24);
    const TextRect split = Measure(Font(), "alpha beta", DT_WORDBREAK, {0, 0, both - 1, 1});
    EXPECT_EQ(split.Height(), 2 * 24);
    EXPECT_EQ(split.Width(), std::max(Width("alpha"), Width("beta")));
}

TEST_F(TextRendererTest, WordBreakLetsOnlyASingleLongWordExceedTheWidth) {
    const std::string word = "Supercalifragilistic";
    const TextRect measured = Measure(Font(), "a " + word + " b", DT_WORDBREAK, {0, 0, 60, 1});
    EXPECT_EQ(measured.Height(), 3 * 24);
    EXPECT_EQ(measured.Width(), Width(word));
    // Without the flag nothing wraps.
    EXPECT_EQ(Measure(Font(), "a " + word + " b", 0, {0, 0, 60, 1}).Height(), 24);
    // One line ignores word breaking.
    EXPECT_EQ(
        Measure(Font(), "a " + word + " b", DT_WORDBREAK | DT_SINGLELINE, {0, 0, 60, 1}).Height(),
        24);
}

// --- Alignment and clipping ---

TEST_F(TextRendererTest, CentredAndRightAlignedTextLandWithinOnePixel) {
    const std::string title = "Centre Stage";
    const int width = Width(title);
    const int box = 300;
    TextCanvas left(box, 30);
    TextCanvas centre(box, 30);
    TextCanvas right(box, 30);
    const InkBounds l = DrawInk(left, Font(), title, DT_SINGLELINE, {0, 0, box, 30});
    const InkBounds c = DrawInk(centre, Font(), title, DT_SINGLELINE | DT_CENTER, {0, 0, box, 30});
    const InkBounds r = DrawInk(right, Font(), title, DT_SINGLELINE | DT_RIGHT, {0, 0, box, 30});
    EXPECT_NEAR(c.left - l.left, (box - width) / 2.0, 1.0);
    EXPECT_NEAR(r.left - l.left, box - width, 1.0);
    // Each line is centred on its own.
    TextCanvas lines(box, 60);
    DrawInk(lines, Font(), "A much wider first line\nii", DT_CENTER, {0, 0, box, 60});
    InkBounds second;
    for (int x = 0; x < box; ++x) {
        for (int y = 24; y < 48; ++y) {
            if (lines.Coverage(x, y) != 0) {
                second.left = second.empty ? x : second.left;
                second.right = x + 1;
                second.empty = false;
            }
        }
    }
    EXPECT_NEAR((second.left + second.right) / 2.0, box / 2.0, 2.0);
}

TEST_F(TextRendererTest, VerticalPlacementAppliesToSingleLines) {
    const TextRect box{0, 0, 200, 100};
    TextCanvas top(200, 100);
    TextCanvas middle(200, 100);
    TextCanvas bottom(200, 100);
    TextCanvas multi(200, 100);
    const int t = DrawInk(top, Font(), "Vertical", DT_SINGLELINE, box).top;
    EXPECT_EQ(DrawInk(middle, Font(), "Vertical", DT_SINGLELINE | DT_VCENTER, box).top - t,
              (100 - 24) / 2);
    EXPECT_EQ(DrawInk(bottom, Font(), "Vertical", DT_SINGLELINE | DT_BOTTOM, box).top - t,
              100 - 24);
    EXPECT_EQ(DrawInk(multi, Font(), "Vertical", DT_VCENTER, box).top, t);
}

TEST_F(TextRendererTest, ClipsToTheRectangleUnlessNoClip) {
    const TextRect box{10, 10, 60, 40};
    const std::string text = "Clipped at the edge";
    TextCanvas clipped(200, 60);
    const InkBounds inside = DrawInk(clipped, Font(), text, DT_SINGLELINE, box);
    EXPECT_GE(inside.left, box.left);
    EXPECT_LE(inside.right, box.right);
    EXPECT_EQ(inside.right, box.right) << "the text runs up to the clip edge";
    TextCanvas unclipped(200, 60);
    EXPECT_GT(DrawInk(unclipped, Font(), text, DT_SINGLELINE | DT_NOCLIP, box).right, box.right);
    // Text partly outside the buffer is cut by the buffer, never written past it.
    TextCanvas small(30, 10);
    EXPECT_TRUE(renderer.DrawText(Font(40), text, {-15, -12, 100, 60}, DT_NOCLIP, small.Surface()));
    EXPECT_FALSE(small.Ink().empty);
}

// --- Pixels ---

TEST_F(TextRendererTest, WhiteTextPutsTheCoverageInEveryChannel) {
    TextCanvas canvas(200, 30);
    DrawInk(canvas, Font(), "Coverage", DT_SINGLELINE, {0, 0, 200, 30});
    bool partial = false;
    bool full = false;
    for (const std::uint32_t pixel : canvas.Pixels()) {
        const std::uint32_t b = pixel & 0xFF;
        EXPECT_EQ(pixel, b * 0x01010101u);
        partial = partial || (b > 0 && b < 255);
        full = full || b == 255;
    }
    EXPECT_TRUE(partial) << "edges are antialiased";
    EXPECT_TRUE(full);
}

TEST_F(TextRendererTest, ColouredTextScalesEachChannelByTheCoverage) {
    TextCanvas white(200, 30);
    TextCanvas coloured(200, 30);
    DrawInk(white, Font(), "Colour", DT_SINGLELINE, {0, 0, 200, 30});
    ASSERT_TRUE(renderer.DrawText(Font(), "Colour", {0, 0, 200, 30}, DT_SINGLELINE,
                                  coloured.Surface(), 0xAA3366CC));
    for (std::size_t i = 0; i < white.Pixels().size(); ++i) {
        const std::uint32_t coverage = white.Pixels()[i] & 0xFF;
        const auto scaled = [&](std::uint32_t channel) { return (channel * coverage + 127) / 255; };
        const std::uint32_t expected =
            coverage << 24 | scaled(0x33) << 16 | scaled(0x66) << 8 | scaled(0xCC);
        ASSERT_EQ(coloured.Pixels()[i], expected) << "pixel " << i;
    }
}

TEST_F(TextRendererTest, TextIsCompositedOverWhatTheBufferHolds) {
    TextCanvas white(200, 30);
    DrawInk(white, Font(), "Over", DT_SINGLELINE, {0, 0, 200, 30});
    const std::uint32_t background = 0x80402010;
    std::vector<std::uint32_t> pixels(200 * 30, background);
    ASSERT_TRUE(renderer.DrawText(Font(), "Over", {0, 0, 200, 30}, DT_SINGLELINE,
                                  {pixels.data(), 200, 30, 800, RowOrder::BottomUp}, 0x00FF00));
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t coverage = white.Pixels()[i] & 0xFF;
        std::uint32_t expected = 0;
        for (const int shift : {0, 8, 16, 24}) {
            const std::uint32_t source = shift == 24 ? 255 : (0x00FF00u >> shift) & 0xFF;
            const std::uint32_t target = (background >> shift) & 0xFF;
            expected |= ((source * coverage + target * (255 - coverage) + 127) / 255) << shift;
        }
        ASSERT_EQ(pixels[i], expected) << "pixel " << i;
    }
}

TEST_F(TextRendererTest, BottomUpAndTopDownBuffersHoldTheSameImage) {
    TextCanvas bottomUp(120, 50, RowOrder::BottomUp);
    TextCanvas topDown(120, 50, RowOrder::TopDown);
    DrawInk(bottomUp, Font(), "Rows\nup", 0, {0, 0, 120, 50});
    DrawInk(topDown, Font(), "Rows\nup", 0, {0, 0, 120, 50});
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 120; ++x) {
            ASSERT_EQ(bottomUp.At(x, y), topDown.At(x, y)) << x << ", " << y;
        }
    }
    EXPECT_NE(bottomUp.Pixels(), topDown.Pixels());
    // In a bottom-up buffer the first line's ink lies in the last rows of memory.
    EXPECT_EQ(bottomUp.Pixels()[0], 0u);
}

TEST_F(TextRendererTest, UnderlineAddsPixelsBelowTheBaselineAndStrikeOutInside) {
    FontDescription underlined = Font();
    underlined.underline = true;
    FontDescription struck = Font();
    struck.strikeOut = true;
    TextCanvas plain(200, 30);
    TextCanvas under(200, 30);
    TextCanvas strike(200, 30);
    // No descenders: the plain ink ends at the baseline.
    const InkBounds p = DrawInk(plain, Font(), "ace", DT_SINGLELINE, {0, 0, 200, 30});
    const InkBounds u = DrawInk(under, underlined, "ace", DT_SINGLELINE, {0, 0, 200, 30});
    const InkBounds s = DrawInk(strike, struck, "ace", DT_SINGLELINE, {0, 0, 200, 30});
    EXPECT_GT(u.bottom, p.bottom);
    EXPECT_LE(u.bottom, 24) << "the underline stays inside the cell";
    EXPECT_GT(under.CoverageInRows(p.bottom, 30), 255 * (p.right - p.left) / 2);
    EXPECT_EQ(under.CoverageInRows(0, p.bottom), plain.CoverageInRows(0, p.bottom));

    EXPECT_EQ(s.bottom, p.bottom);
    EXPECT_GT(strike.CoverageInRows(p.top, p.bottom), plain.CoverageInRows(p.top, p.bottom));
}

TEST_F(TextRendererTest, PrefixesUnderlineTheMarkedCharacterUnlessNoPrefix) {
    EXPECT_EQ(Width("&File", DT_SINGLELINE), Width("File"));
    EXPECT_EQ(Width("Rock && Roll", DT_SINGLELINE), Width("Rock & Roll"));
    EXPECT_GT(Width("&File", DT_SINGLELINE | DT_NOPREFIX), Width("File"));

    TextCanvas plain(200, 30);
    TextCanvas marked(200, 30);
    const InkBounds p = DrawInk(plain, Font(), "File", DT_SINGLELINE, {0, 0, 200, 30});
    DrawInk(marked, Font(), "&File", DT_SINGLELINE, {0, 0, 200, 30});
    InkBounds bar;
    for (int y = p.bottom; y < 30; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (marked.Coverage(x, y) != 0) {
                bar.left = bar.empty ? x : std::min(bar.left, x);
                bar.right = std::max(bar.right, x + 1);
                bar.empty = false;
            }
        }
    }
    ASSERT_FALSE(bar.empty);
    EXPECT_LE(bar.right, Width("F") + 1) << "only the F is underlined";
}

TEST_F(TextRendererTest, ExpandTabsAdvancesToTabStops) {
    const std::uint32_t tabs = DT_SINGLELINE | DT_EXPANDTABS;
    // Text before a tab that ends short of the stop does not move what follows the tab.
    EXPECT_EQ(Width("\tb", tabs), Width("x\tb", tabs));
    EXPECT_EQ(Width("\tb", tabs), Width("xyz\tb", tabs));
    EXPECT_LT(Width("\tb", tabs), Width("\t\tb", tabs));
    EXPECT_GT(Width("\tb", tabs), 4 * Width(" b"));
    // Without the flag a tab is a space.
    EXPECT_EQ(Width("\tb"), Width(" b"));
}

TEST_F(TextRendererTest, Windows1252AndUtf8DrawTheSameGlyph) {
    TextCanvas latin1(150, 30);
    TextCanvas utf8(150, 30);
    TextCanvas plain(150, 30);
    DrawInk(latin1, Font(), "Caf\xE9", DT_SINGLELINE, {0, 0, 150, 30});
    DrawInk(utf8, Font(), "Caf\xC3\xA9", DT_SINGLELINE, {0, 0, 150, 30});
    DrawInk(plain, Font(), "Cafe", DT_SINGLELINE, {0, 0, 150, 30});
    EXPECT_EQ(latin1.Pixels(), utf8.Pixels());
    EXPECT_NE(latin1.Pixels(), plain.Pixels());
}

TEST_F(TextRendererTest, RefusesAnUnusableSurface) {
    std::vector<std::uint32_t> pixels(100 * 10);
    const TextRect box{0, 0, 100, 10};
    TextSurface surface{pixels.data(), 100, 10, 400, RowOrder::TopDown};
    EXPECT_TRUE(renderer.DrawText(Font(), "ok", box, 0, surface));
    surface.pitch = 396;
    EXPECT_FALSE(renderer.DrawText(Font(), "ok", box, 0, surface));
    surface = {nullptr, 100, 10, 400, RowOrder::TopDown};
    EXPECT_FALSE(renderer.DrawText(Font(), "ok", box, 0, surface));
    surface = {pixels.data(), 0, 10, 400, RowOrder::TopDown};
    EXPECT_FALSE(renderer.DrawText(Font(), "ok", box, 0, surface));
}

} // namespace
} // namespace quib
