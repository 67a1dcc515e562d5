// The display's text as it is saved: every line end the display shows becomes
// CR LF, wherever the snapshot's pieces happen to be cut.
#include "receive/saved_text.h"

#include <gtest/gtest.h>

#include <memory>

namespace vorta::receive {
namespace {

// The bytes cut into pieces at `cuts` (ascending), as the display's blocks cut them.
ui::TextSnapshot Cut(const std::string& bytes, const std::vector<std::size_t>& cuts) {
    const auto block = std::make_shared<const std::string>(bytes);
    std::vector<ui::TextSnapshot::Piece> pieces;
    std::size_t from = 0;
    for (std::size_t at : cuts) {
        if (at > from) pieces.push_back({block, from, at - from});
        from = at;
    }
    if (from < bytes.size()) pieces.push_back({block, from, bytes.size() - from});
    return ui::TextSnapshot(std::move(pieces));
}

std::string Saved(const ui::TextSnapshot& snapshot) {
    std::string out;
    ForEachSavedPiece(snapshot, [&out](std::string_view piece) {
        out.append(piece);
        return true;
    });
    return out;
}

TEST(SavedText, EveryLineEndTheDisplayShowsIsSavedAsCrLfWhereverThePiecesAreCut) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\xD6\xD0\xCE\xC4\x0A\x41\x0D\x42\x43\x0D\x0A", "\xD6\xD0\xCE\xC4\r\nA\r\nBC\r\n"},
        {"\r\n\r\n", "\r\n\r\n"},
        {"\n\r", "\r\n\r\n"},
        {"\r\r\n\n", "\r\n\r\n\r\n"},
        {"\r", "\r\n"},
        {"\n", "\r\n"},
        {"01 02 ", "01 02 "},
        {"", ""},
        {"\xB0\r\xA1\n", "\xB0\r\n\xA1\r\n"},  // a lead byte never swallows a line end
    };
    for (const auto& [display, file] : cases) {
        EXPECT_EQ(Saved(Cut(display, {})), file) << display;
        for (std::size_t a = 0; a <= display.size(); ++a)
            for (std::size_t b = a; b <= display.size(); ++b)
                EXPECT_EQ(Saved(Cut(display, {a, b})), file) << display << " cut at " << a << ", " << b;
    }
}

TEST(SavedText, AFullSinkStopsThePieces) {
    int calls = 0;
    ForEachSavedPiece(Cut("a\nb\nc\nd", {1, 2, 3, 4}), [&calls](std::string_view) { return ++calls < 2; });
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace vorta::receive
