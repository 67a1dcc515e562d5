#pragma once
// Turns received bytes, one at a time, into displayable GBK text: an ASCII
// byte is shown at once, a byte of 0x80 or more waits for the next such byte
// and the two are shown as one character. A pending lead byte survives ASCII
// bytes in between and is only ever released by the next byte >= 0x80, so a
// character whose trail byte is below 0x80 is not reassembled. (The program's
// three rules of where a character starts are side by side in gbk_text.h.)
#include <string>

namespace vorta::codec {

class GbkAssembler {
public:
    // The text to show for byte `b`: empty, one byte, or one two-byte character.
    // A 0x00 byte shows nothing.
    std::string feed(unsigned char b);

private:
    unsigned char lead_ = 0;  // 0 while nothing is pending; a lead byte is never 0
};

}  // namespace vorta::codec
