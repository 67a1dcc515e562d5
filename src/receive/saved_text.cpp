#include "receive/saved_text.h"

namespace vorta::receive {

void ForEachSavedPiece(const ui::TextSnapshot& display, const store::PieceSink& sink) {
    static constexpr std::string_view kLineEnd = "\r\n";
    bool ok = true;
    bool pendingCr = false;  // a piece ended in "\r": the next piece's first byte decides
    auto emit = [&](std::string_view bytes) {
        if (ok && !bytes.empty()) ok = sink(bytes);
    };
    display.forEachPiece([&](std::string_view piece) {
        if (!ok || piece.empty()) return;
        std::size_t from = 0;
        if (pendingCr) {
            pendingCr = false;
            emit(kLineEnd);
            if (piece[0] == '\n') from = 1;  // the "\n" of that "\r\n"
        }
        const std::size_t n = piece.size();
        for (std::size_t i = from; i < n && ok; ++i) {
            const char c = piece[i];
            if (c != '\r' && c != '\n') continue;
            if (c == '\r') {
                if (i + 1 == n) {
                    emit(piece.substr(from, i - from));
                    pendingCr = true;
                    return;
                }
                if (piece[i + 1] == '\n') {
                    ++i;  // "\r\n" is saved as it is
                    continue;
                }
            }
            emit(piece.substr(from, i - from));
            emit(kLineEnd);
            from = i + 1;
        }
        emit(piece.substr(from));
    });
    if (pendingCr) emit(kLineEnd);
}

}  // namespace vorta::receive
