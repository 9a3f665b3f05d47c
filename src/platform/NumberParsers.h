// Reading numbers back from text (locators, format widths).
#pragma once

#include <cstdint>

namespace quib {

// An optional leading '-', then decimal digits up to the first non-digit; no digits (or a
// null text) give 0. Values beyond 64 bits keep their low 64 bits.
int64_t ParseDecimal(const char* text);
// An optional "0x"/"0X" prefix, then hexadecimal digits of either case up to the first other
// character; no digits (or a null text) give 0. Values beyond 32 bits keep their low 32 bits.
uint32_t ParseHex(const char* text);

} // namespace quib
