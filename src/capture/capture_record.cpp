#include "capture/capture_record.h"

namespace vorta::capture {
namespace {

void PutLittleEndian(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint64_t GetLittleEndian(std::string_view in, std::size_t at, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= std::uint64_t{static_cast<unsigned char>(in[at + static_cast<std::size_t>(i)])} << (8 * i);
    return value;
}

}  // namespace

void AppendRecord(std::string& out, Direction direction, std::int64_t micros, std::string_view bytes) {
    out.push_back(static_cast<char>(direction));
    PutLittleEndian(out, static_cast<std::uint64_t>(micros), 8);
    PutLittleEndian(out, bytes.size(), 4);
    out.append(bytes);
}

ParsedFile ParseCapture(std::string_view file) {
    ParsedFile parsed;
    if (file.substr(0, kFileMagic.size()) != kFileMagic) return parsed;
    parsed.magicOk = true;
    std::size_t at = kFileMagic.size();
    parsed.validBytes = at;
    while (at < file.size()) {
        const char d = file[at];
        if (d != static_cast<char>(Direction::Received) && d != static_cast<char>(Direction::Sent)) break;
        if (file.size() - at < kRecordHeaderBytes) break;
        const auto micros = static_cast<std::int64_t>(GetLittleEndian(file, at + 1, 8));
        const std::size_t length = GetLittleEndian(file, at + 9, 4);
        if (file.size() - at - kRecordHeaderBytes < length) break;
        parsed.records.push_back(
            {static_cast<Direction>(d), micros, std::string(file.substr(at + kRecordHeaderBytes, length))});
        at += kRecordHeaderBytes + length;
        parsed.validBytes = at;
    }
    parsed.truncated = at < file.size();
    return parsed;
}

}  // namespace vorta::capture
