#include "ui/line_stamp.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace vorta::ui {

std::string StampText(std::int64_t micros) {
    const auto seconds = static_cast<std::time_t>(micros / 1'000'000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::snprintf(text, sizeof text, "[%02d:%02d:%02d.%03d] ", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(micros % 1'000'000 / 1000));
    return text;
}

void StampLineStart(RichTextBox& display, const CharFormat& noteFormat, std::int64_t micros) {
    const RichText& rich = display.rich();
    const BytePos n = rich.byteCount();
    if (n > BytePos(0) && rich.bytes(n - 1, n) != "\n") return;
    CharFormat stamp = noteFormat;
    stamp.effects |= kStamp;
    display.append(StampText(micros), stamp);
}

std::int64_t NowMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace vorta::ui
