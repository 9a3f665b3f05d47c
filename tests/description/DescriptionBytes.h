// Description bytes written by hand in tests, independent of the description writer.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace quib::test {

// Little-endian bytes built by hand, independent of the writer.
struct Bytes {
    std::vector<uint8_t> data;
    Bytes& I32(int32_t v) {
        for (int i = 0; i < 4; ++i) {
            data.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
        }
        return *this;
    }
    Bytes& F32(float f) {
        int32_t v;
        std::memcpy(&v, &f, 4);
        return I32(v);
    }
    Bytes& U8(uint8_t v) {
        data.push_back(v);
        return *this;
    }
    Bytes& Str(const std::string& s) {
        data.insert(data.end(), s.begin(), s.end());
        data.push_back(0);
        return *this;
    }
    Bytes& Header() { return Str("t").U8(1).U8(0).F32(1.5f).I32(480); }
    // After the header: no songs, no textures, one page holding one group with no intervals
    // and one effect, written up to its type.
    Bytes& OneEffect(int32_t type) { return I32(0).I32(0).I32(1).I32(1).I32(0).I32(1).I32(type); }
};

} // namespace quib::test
