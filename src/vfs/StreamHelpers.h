// Operations built on a stream's accessor: peeking, line reading, values and strings.
#pragma once

#include <cstdint>

namespace quib {

class Stream;

// Reads up to four bytes into dst without consuming them (on a seekable stream); answers the
// bytes read. An asynchronous stream is switched to synchronous mode for the call.
uint32_t PeekU32(Stream& stream, void* dst);

// ReadLine's buffer holds a line of up to 79 characters and its terminating zero.
constexpr uint32_t ReadLineBufferSize = 80;
constexpr int32_t ReadLineNoTerminator = -1;
constexpr int32_t ReadLineAtEnd = -2;

// Reads one line into buffer (at least ReadLineBufferSize bytes), without its end: line feed,
// carriage return, or carriage return and line feed. Answers its length when a line end was
// met; ReadLineNoTerminator when the data ended or 79 characters were read first (the next
// call continues with the 80th); ReadLineAtEnd when nothing was left to read.
int32_t ReadLine(Stream& stream, char* buffer);

// Little-endian values through the stream's accessor. Reads answer whether every byte came;
// the value is left unchanged otherwise. Writes answer whether every byte was accepted.
bool ReadU8(Stream& stream, uint8_t& value);
bool ReadBool(Stream& stream, bool& value); // one byte, nonzero is true
bool ReadU16(Stream& stream, uint16_t& value);
bool ReadU32(Stream& stream, uint32_t& value);
bool ReadI32(Stream& stream, int32_t& value);
bool ReadF32(Stream& stream, float& value);
bool ReadU64(Stream& stream, uint64_t& value);
bool WriteU8(Stream& stream, uint8_t value);
bool WriteBool(Stream& stream, bool value);
bool WriteU16(Stream& stream, uint16_t value);
bool WriteU32(Stream& stream, uint32_t value);
bool WriteI32(Stream& stream, int32_t value);
bool WriteF32(Stream& stream, float value);
bool WriteU64(Stream& stream, uint64_t value);

// Reads a zero-terminated string byte by byte until the zero byte or until a read brings
// nothing (the raw end flag of a filtered stream can be set while decoded bytes remain, so it
// is not consulted). Answers a MemAllocate'd block of exactly the
// bytes read, the zero included, that the caller frees with MemFree; null when the data ends
// (or a read fails) before the zero byte.
char* ReadString(Stream& stream);

} // namespace quib
