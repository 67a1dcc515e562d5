#pragma once
// Bytes waiting to go out at the line's pace. A pseudo-terminal would pass a
// whole reply at once; a real line takes one character time per byte, and
// the program's line breaks and auto-send timing depend on that. Each byte is
// due one character time after the one before it (or after it was queued,
// when the line was idle).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/line_timing.h"

namespace vorta::device {

class PacedOutput {
public:
    // Queues `bytes` at `now`; a character time of 0 makes them due at once.
    void push(std::string_view bytes, Micros now, Micros charTime);
    // How many queued bytes are due by `now`, from the front.
    std::size_t dueCount(Micros now) const;
    // When the next byte is due; nullopt when nothing waits.
    std::optional<Micros> nextDue() const;
    std::string_view queued() const { return bytes_; }
    // Removes `count` bytes from the front (they were written).
    void consume(std::size_t count);
    void clear();
    bool empty() const { return bytes_.empty(); }

private:
    std::string bytes_;
    std::vector<Micros> due_;
    Micros lineFree_ = 0;
};

}  // namespace vorta::device
