// Line breaking, tab stops and '&' prefixes over HarfBuzz-shaped runs.
#include "host/text/TextLayout.h"

#include "host/text/DrawTextFlags.h"

#include <algorithm>
#include <limits>

namespace quib {

namespace {

// Marks a tab among the shaped glyphs; tabs are not shaped, they move the pen to a stop.
constexpr std::uint32_t kTabGlyph = std::numeric_limits<std::uint32_t>::max();

bool IsBreakingSpace(char32_t c) {
    return c == U' ' || c == U'\t';
}

// The paragraphs of a text: split at "\r\n", "\r" and "\n"; a break at the very end starts no
// further paragraph, and an empty text is one empty paragraph.
std::vector<std::u32string_view> SplitParagraphs(std::u32string_view text) {
    std::vector<std::u32string_view> paragraphs;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'\r' || text[i] == U'\n') {
            paragraphs.push_back(text.substr(start, i - start));
            if (text[i] == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size() || paragraphs.empty()) {
        paragraphs.push_back(text.substr(start));
    }
    return paragraphs;
}

} // namespace

TextLayout::TextLayout(FontFace& face, std::u32string_view text, std::int32_t wrapWidth,
                       std::uint32_t format)
    : face(face), wrapWidth(wrapWidth), format(format),
      tabWidth(8 * face.Metrics().averageCharWidth) {
    const std::vector<std::u32string_view> paragraphs = SplitParagraphs(text);
    if ((format & DT_SINGLELINE) != 0) {
        // One line: each line break counts as a space between its neighbours.
        std::u32string joined;
        for (const std::u32string_view paragraph : paragraphs) {
            if (!joined.empty()) {
                joined.push_back(U' ');
            }
            joined.append(paragraph);
        }
        LayOutParagraph(joined);
    } else {
        for (const std::u32string_view paragraph : paragraphs) {
            LayOutParagraph(paragraph);
        }
    }
}

std::int32_t TextLayout::NextTabStop(std::int32_t x) const {
    return tabWidth > 0 ? (x / tabWidth + 1) * tabWidth : x;
}

void TextLayout::LayOutParagraph(std::u32string_view raw) {
    // '&' prefixes ("&&" is one '&', "&x" marks x for underlining, a final '&' is dropped), and
    // tabs that are not expanded become spaces.
    std::u32string text;
    std::vector<bool> prefixed;
    const bool prefixes = (format & DT_NOPREFIX) == 0;
    const bool expandTabs = (format & DT_EXPANDTABS) != 0;
    bool markNext = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        char32_t c = raw[i];
        if (prefixes && c == U'&') {
            if (i + 1 < raw.size() && raw[i + 1] == U'&') {
                ++i;
            } else {
                markNext = true;
                continue;
            }
        }
        text.push_back(c == U'\t' && !expandTabs ? U' ' : c);
        prefixed.push_back(markNext);
        markNext = false;
    }

    // Shape the runs between tabs, each with the whole paragraph as context.
    shaped.clear();
    for (std::size_t start = 0; start < text.size();) {
        if (text[start] == U'\t') {
            shaped.push_back({kTabGlyph, static_cast<std::uint32_t>(start), 0, 0, 0});
            ++start;
            continue;
        }
        const std::size_t end = std::min(text.find(U'\t', start), text.size());
        face.Shape(text, start, end - start, shaped);
        start = end;
    }
    std::vector<std::int32_t> advances(text.size(), 0);
    for (const ShapedGlyph& glyph : shaped) {
        if (glyph.glyph != kTabGlyph) {
            advances[glyph.cluster] += glyph.advance;
        }
    }

    // Break into lines [begin, end). Wrapping happens only before a word that follows a space
    // and would cross the wrap width; the spaces at the break belong to no line.
    struct Range {
        std::size_t begin;
        std::size_t end;
        std::int32_t width;
    };
    std::vector<Range> ranges;
    const bool wrap = (format & DT_WORDBREAK) != 0 && (format & DT_SINGLELINE) == 0;
    std::size_t lineStart = 0;
    std::size_t wordEnd = 0;
    std::int32_t wordEndX = 0;
    std::int32_t x = 0;
    bool hasWord = false;
    for (std::size_t i = 0; i < text.size();) {
        if (IsBreakingSpace(text[i])) {
            x = text[i] == U'\t' ? NextTabStop(x) : x + advances[i];
            ++i;
            continue;
        }
        std::size_t j = i;
        std::int32_t wordX = x;
        for (; j < text.size() && !IsBreakingSpace(text[j]); ++j) {
            wordX += advances[j];
        }
        if (wrap && hasWord && wordX > wrapWidth) {
            ranges.push_back({lineStart, wordEnd, wordEndX});
            lineStart = i;
            x = 0;
            hasWord = false;
            continue;
        }
        x = wordX;
        wordEnd = j;
        wordEndX = x;
        hasWord = true;
        i = j;
    }
    ranges.push_back({lineStart, text.size(), wrap && hasWord ? wordEndX : x});

    // Place each line's glyphs; the shaped order is the visual order.
    for (const Range& range : ranges) {
        LaidLine line;
        line.width = range.width;
        std::int32_t pen = 0;
        for (const ShapedGlyph& glyph : shaped) {
            if (glyph.cluster < range.begin || glyph.cluster >= range.end) {
                continue;
            }
            if (glyph.glyph == kTabGlyph) {
                pen = NextTabStop(pen);
                continue;
            }
            if (prefixed[glyph.cluster]) {
                line.prefixUnderlines.push_back({pen, pen + glyph.advance});
            }
            if (text[glyph.cluster] != U' ') {
                line.glyphs.push_back({glyph.glyph, pen + glyph.xOffset, glyph.yOffset});
            }
            pen += glyph.advance;
        }
        width = std::max(width, line.width);
        lines.push_back(std::move(line));
    }
}

} // namespace quib
