#pragma once
// The capture file's format. A file starts with the 8 bytes "VCAPTUR1"; then
// come records, one per chunk of bytes as it crossed the wire:
//
//   offset 0   1 byte   direction: 'R' received, 'T' sent
//   offset 1   8 bytes  time, microseconds since 1970-01-01 UTC, signed, little-endian
//   offset 9   4 bytes  length n of the bytes, unsigned, little-endian
//   offset 13  n bytes  the bytes exactly as they crossed the wire
//
// A file ends after a whole record, except when the program died while writing
// one: a reader drops a last record that is cut short.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorta::capture {

inline constexpr std::string_view kFileMagic = "VCAPTUR1";
inline constexpr std::size_t kRecordHeaderBytes = 13;

enum class Direction : char { Received = 'R', Sent = 'T' };

struct Record {
    Direction direction = Direction::Received;
    std::int64_t micros = 0;
    std::string bytes;
    bool operator==(const Record&) const = default;
};

void AppendRecord(std::string& out, Direction direction, std::int64_t micros, std::string_view bytes);

struct ParsedFile {
    bool magicOk = false;
    std::vector<Record> records;
    std::size_t validBytes = 0;  // up to the end of the last whole record
    bool truncated = false;      // a record cut short follows
};
// Reads a capture file's content back; stops at the first record that is cut
// short or has an unknown direction.
ParsedFile ParseCapture(std::string_view file);

}  // namespace vorta::capture
