#pragma once
// The texts the display's tools show for a selection: the three-radix
// conversion balloon and the merge of the selected bytes into one decimal number.
#include <cstddef>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>

namespace vorta::receive {

// "16进制：…\r\n10进制：…\r\n 2进制：…", one eight-column cell per selected piece;
// nullopt when the selection holds nothing but blanks.
std::optional<std::string> ConversionBalloonText(const std::string& selection);

// "16进制：<digits>\r\n10进制：<value>" for at most four bytes, "最多支持4字节" beyond;
// nullopt when the selection holds nothing but blanks.
std::optional<std::string> MergeToDecimalText(const std::string& selection);

// The same texts for a selection of `size` bytes read through `readStart(n)`, which
// returns its first n bytes (n <= size). Both tools show only the start of a long
// selection, so they read a start of firstRead bytes, then ever longer ones, and
// the whole selection only when no shorter start decides the text.
using ReadStart = std::function<std::string(std::size_t n)>;
inline constexpr std::size_t kFirstRead = 4096;
std::optional<std::string> ConversionBalloonText(std::size_t size, const ReadStart& readStart,
                                                 std::size_t firstRead = kFirstRead);
std::optional<std::string> MergeToDecimalText(std::size_t size, const ReadStart& readStart,
                                              std::size_t firstRead = kFirstRead);

// The same, reading no more than `most` bytes of the selection: nullopt when
// that does not decide the text (a single piece longer than that, which only
// its whole decides), else the text as above. Work on a long selection looks at
// `stop` between its passes and gives up (nullopt) once it is requested.
std::optional<std::optional<std::string>> ConversionBalloonTextWithin(std::size_t size, const ReadStart& readStart,
                                                                      std::size_t most,
                                                                      std::size_t firstRead = kFirstRead,
                                                                      const std::stop_token& stop = {});
std::optional<std::optional<std::string>> MergeToDecimalTextWithin(std::size_t size, const ReadStart& readStart,
                                                                   std::size_t most, std::size_t firstRead = kFirstRead,
                                                                   const std::stop_token& stop = {});

// Pieces shown in one balloon; a longer selection ends each line with "…", so
// selecting a whole large display stays quick and the balloon stays readable.
inline constexpr int kBalloonPieces = 64;

}  // namespace vorta::receive
