// What a text is drawn with: face name, cell height in pixels and style switches.
#pragma once

#include <string>

namespace quib {

struct FontDescription {
    // Face name as a description gives it ("Arial"); resolved through the system's font
    // configuration, falling back to a sans face when the name is unknown.
    std::string face = "Arial";
    // Cell height in pixels (ascent plus descent), as a positive height asks of the Windows
    // font mapper; also the line height. A negative value gives the em height instead, 0 a
    // default of 16 pixels.
    int pixelHeight = 16;
    // 400 regular, 700 bold; 600 and above select a bold face (emboldened when the family has
    // none).
    int weight = 400;
    bool italic = false; // an oblique slant when the family has no italic face
    bool underline = false;
    bool strikeOut = false;

    bool operator==(const FontDescription&) const = default;
};

} // namespace quib
