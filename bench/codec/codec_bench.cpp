// How long radix conversion takes for one long piece of digits (the display
// tools pass whatever the user selected), and the CRC and hex codec per frame.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "codec/radix.h"

namespace {

std::string RandomDigits(int radix, std::size_t length) {
    static const std::string alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::mt19937 rng(static_cast<unsigned>(length * 37 + radix));
    std::uniform_int_distribution<int> digit(0, radix - 1);
    std::string s(length, '0');
    for (auto& c : s) c = alphabet[digit(rng)];
    s[0] = '1';
    return s;
}

// range(0): input digits; from and to are fixed per registration.
void ConvertRadixLong(benchmark::State& state, int from, int to) {
    const std::string input = RandomDigits(from, static_cast<std::size_t>(state.range(0)));
    std::size_t outDigits = 0;
    for (auto _ : state) {
        std::string text = input;
        const std::string out = vorta::codec::ConvertRadix(text, from, to);
        outDigits = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["out_digits"] = static_cast<double>(outDigits);
}

BENCHMARK_CAPTURE(ConvertRadixLong, hex_to_dec, 16, 10)->RangeMultiplier(4)->Range(16, 65536)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertRadixLong, hex_to_bin, 16, 2)->RangeMultiplier(4)->Range(16, 65536)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertRadixLong, dec_to_hex, 10, 16)->RangeMultiplier(4)->Range(16, 65536)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertRadixLong, base36_to_7, 36, 7)->RangeMultiplier(4)->Range(16, 65536)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
