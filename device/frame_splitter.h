#pragma once
// Cuts the received byte stream into frames the way an RTU device does: a
// frame ends when the line stays silent for the frame gap (line_timing.h).
// Bytes that run on past the longest RTU frame (256 bytes) without a gap are
// noise: that frame is dropped whole when its gap comes.
#include <optional>
#include <string>
#include <string_view>

#include "device/line_timing.h"

namespace vorta::device {

class FrameSplitter {
public:
    static constexpr std::size_t kLongestFrame = 256;

    // Bytes read at `now`.
    void add(std::string_view bytes, Micros now);
    // When the frame in progress ends unless more bytes come; nullopt when idle.
    std::optional<Micros> deadline(Micros silence) const;
    // The frame whose gap has passed by `now`, if any (overlong ones are dropped).
    std::optional<std::string> take(Micros now, Micros silence);
    // Forgets a frame in progress (the far end closed the port).
    void clear();

private:
    std::string frame_;
    bool receiving_ = false;
    bool overlong_ = false;
    Micros lastByte_ = 0;
};

}  // namespace vorta::device
