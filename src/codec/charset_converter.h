#pragma once
// Conversion between character sets with glibc iconv ("GBK", "UTF-8"): the
// one iconv wrapper of the program, for file names and the toolkit boundary.
#include <iconv.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace vorta::codec {

// What happens at a byte that starts an invalid, unmappable or cut-off sequence.
enum class OnUnconvertible {
    Fail,      // the whole conversion fails
    KeepByte,  // the byte is copied unchanged and conversion goes on after it
};

// One conversion direction, opened once and reused; safe to share between threads.
class CharsetConverter {
public:
    CharsetConverter(const char* to, const char* from);

    // False when iconv does not know one of the two character sets.
    bool usable() const { return cd_ != nullptr; }

    // The converted text; nullopt when the converter is unusable, or with
    // Fail at the first byte that cannot be converted.
    std::optional<std::string> convert(std::string_view in, OnUnconvertible mode);

private:
    struct Closer {
        void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
    };
    std::unique_ptr<void, Closer> cd_;
    std::mutex mutex_;  // an iconv descriptor keeps state between calls
};

}  // namespace vorta::codec
