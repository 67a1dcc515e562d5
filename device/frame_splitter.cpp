#include "device/frame_splitter.h"

namespace vorta::device {

void FrameSplitter::add(std::string_view bytes, Micros now) {
    if (bytes.empty()) return;
    receiving_ = true;
    lastByte_ = now;
    if (frame_.size() + bytes.size() > kLongestFrame)
        overlong_ = true;
    else
        frame_.append(bytes);
}

std::optional<Micros> FrameSplitter::deadline(Micros silence) const {
    if (!receiving_) return std::nullopt;
    return lastByte_ + silence;
}

std::optional<std::string> FrameSplitter::take(Micros now, Micros silence) {
    if (!receiving_ || now < lastByte_ + silence) return std::nullopt;
    const bool dropped = overlong_;
    std::string frame = std::move(frame_);
    clear();
    if (dropped) return std::nullopt;
    return frame;
}

void FrameSplitter::clear() {
    frame_.clear();
    receiving_ = false;
    overlong_ = false;
}

}  // namespace vorta::device
