#include "device/paced_output.h"

#include <algorithm>

namespace vorta::device {

void PacedOutput::push(std::string_view bytes, Micros now, Micros charTime) {
    Micros at = std::max(now, lineFree_);
    for (char b : bytes) {
        at += charTime;
        bytes_ += b;
        due_.push_back(at);
    }
    lineFree_ = at;
}

std::size_t PacedOutput::dueCount(Micros now) const {
    return static_cast<std::size_t>(std::upper_bound(due_.begin(), due_.end(), now) - due_.begin());
}

std::optional<Micros> PacedOutput::nextDue() const {
    if (due_.empty()) return std::nullopt;
    return due_.front();
}

void PacedOutput::consume(std::size_t count) {
    count = std::min(count, bytes_.size());
    bytes_.erase(0, count);
    due_.erase(due_.begin(), due_.begin() + static_cast<std::ptrdiff_t>(count));
}

void PacedOutput::clear() {
    bytes_.clear();
    due_.clear();
}

}  // namespace vorta::device
