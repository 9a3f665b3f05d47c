// Reading a command's options and the values they take.
#pragma once

#include <cstdint>
#include <span>

namespace quib::qdp {

// An option followed by its value: "--name VALUE". The value stays null when the option is
// not given.
struct ValueOption {
    const char* name;
    const char** value;
};

// An option that takes no value: "--name" sets the flag.
struct FlagOption {
    const char* name;
    bool* set;
};

// Fills the options' values, the flags given and the one positional argument (`positional`);
// answers an error text for the usage message, or null. The positional argument is required.
const char* ParseValueOptions(std::span<char* const> args, std::span<const ValueOption> options,
                              const char*& positional, std::span<const FlagOption> flags = {});

// Seconds from 0 to a day, in decimal.
bool ParseSeconds(const char* text, double& seconds);
// "WIDTHxHEIGHT", each from 1 to 16384.
bool ParseSize(const char* text, int& width, int& height);
// A whole decimal number that fits 64 bits unsigned.
bool ParseUnsigned(const char* text, uint64_t& value);

} // namespace quib::qdp
