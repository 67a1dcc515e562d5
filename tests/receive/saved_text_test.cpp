// The display's text as it is saved: every line end the display shows becomes
// CR LF, wherever the snapshot's pieces happen to be cut.
#include "receive/saved_text.h"

#include <gtest/gtest.h>

#include <memory>

namespace vorta::receive {
namespace {

// The saved form of `bytes` cut into pieces at a and b, as the display's blocks cut
// them, into a sink that is full after `full` bytes.
std::string SavedCutAt(const std::string& bytes, std::size_t a, std::size_t b, std::size_t full = 1 << 20) {
    const auto block = std::make_shared<const std::string>(bytes);
    std::vector<ui::TextSnapshot::Piece> pieces;
    for (auto [from, to] : {std::pair{std::size_t{0}, a}, {a, b}, {b, bytes.size()}})
        if (from < to) pieces.push_back({block, from, to - from});
    std::string out;
    ForEachSavedPiece(ui::TextSnapshot(std::move(pieces)), [&out, full](std::string_view piece) {
        out.append(piece);
        return out.size() < full;
    });
    return out;
}

TEST(SavedText, EveryLineEndTheDisplayShowsIsSavedAsCrLfWhereverThePiecesAreCut) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\xD6\xD0\xCE\xC4\x0A\x41\x0D\x42\x43\x0D\x0A", "\xD6\xD0\xCE\xC4\r\nA\r\nBC\r\n"},
        {"\r\n\r\n", "\r\n\r\n"},
        {"\n\r", "\r\n\r\n"},
        {"\r\r\n", "\r\n\r\n"},
        {"\r", "\r\n"},
        {"01 \n", "01 \r\n"},
        {"", ""},
        {"\xB0\r\xA1\n", "\xB0\r\n\xA1\r\n"}};  // a lead byte never swallows a line end
    for (const auto& [display, file] : cases)
        for (std::size_t a = 0; a <= display.size(); ++a)
            for (std::size_t b = a; b <= display.size(); ++b)
                EXPECT_EQ(SavedCutAt(display, a, b), file) << display << " cut at " << a << ", " << b;
    EXPECT_EQ(SavedCutAt("a\nb\nc", 1, 2, 1), "a");  // nothing after the sink is full
}

}  // namespace
}  // namespace vorta::receive
