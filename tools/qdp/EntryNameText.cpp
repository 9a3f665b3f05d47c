// How qdp checks the entry names it stores and shows the names it reads.
#include "EntryNameText.h"

#include <cstdio>

namespace quib::qdp {

bool IsNameInsideArchive(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\' || (name.size() >= 2 && name[1] == ':')) {
        return false;
    }
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = name.find_first_of("/\\", start);
        const size_t stop = end == std::string::npos ? name.size() : end;
        if (name.compare(start, stop - start, "..") == 0) {
            return false;
        }
        start = stop + 1;
    }
    return true;
}

std::string EscapedName(const char* name) {
    std::string text;
    for (const char* p = name; *p != 0; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        switch (byte) {
        case '\\':
            text += "\\\\";
            break;
        case '\t':
            text += "\\t";
            break;
        case '\n':
            text += "\\n";
            break;
        case '\r':
            text += "\\r";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", byte);
                text += hex;
            } else {
                text += *p;
            }
        }
    }
    return text;
}

} // namespace quib::qdp
