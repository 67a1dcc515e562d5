#pragma once
// An unchanging copy of a stretch of a rich text box's bytes that shares the
// box's storage blocks instead of copying them: taking one costs a pointer per
// 1 MB block, and the box never writes a block it lent again (it changes a copy
// of it). So a snapshot can be read later, or on another thread, while the box
// goes on taking received bytes and the user's edits.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorta::ui {

class TextSnapshot {
public:
    struct Piece {
        std::shared_ptr<const std::string> block;
        std::size_t offset = 0, length = 0;
        std::string_view view() const { return std::string_view(*block).substr(offset, length); }
    };

    TextSnapshot() = default;
    explicit TextSnapshot(std::vector<Piece> pieces) : pieces_(std::move(pieces)) {
        for (const Piece& p : pieces_) size_ += p.length;
    }
    // A snapshot of bytes held in a string of its own.
    static TextSnapshot of(std::string bytes) {
        const std::size_t n = bytes.size();
        if (n == 0) return {};
        return TextSnapshot({{std::make_shared<const std::string>(std::move(bytes)), 0, n}});
    }

    // Adds the pieces of `more` after these; no byte is copied.
    void append(const TextSnapshot& more) {
        pieces_.insert(pieces_.end(), more.pieces_.begin(), more.pieces_.end());
        size_ += more.size_;
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Calls f(std::string_view) for consecutive pieces, in order, without copying.
    template <class F>
    void forEachPiece(F&& f) const {
        for (const Piece& p : pieces_) f(p.view());
    }
    // The bytes [0, n) (all when n is larger) as one string.
    std::string bytes(std::size_t n = std::string::npos) const {
        std::string out;
        out.reserve(n < size_ ? n : size_);
        for (const Piece& p : pieces_) {
            if (out.size() >= n) break;
            out.append(p.view().substr(0, n - out.size()));
        }
        return out;
    }

private:
    std::vector<Piece> pieces_;
    std::size_t size_ = 0;
};

}  // namespace vorta::ui
