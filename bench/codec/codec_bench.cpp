// How long radix conversion takes for one long piece of digits (the display
// tools pass whatever the user selected), and the CRC and hex codec per frame.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "codec/crc16.h"
#include "codec/hex_text.h"
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

BENCHMARK_CAPTURE(ConvertRadixLong, hex_to_dec, 16, 10)
    ->RangeMultiplier(4)
    ->Range(16, 65536)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertRadixLong, hex_to_bin, 16, 2)
    ->RangeMultiplier(4)
    ->Range(16, 65536)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertRadixLong, dec_to_hex, 10, 16)
    ->RangeMultiplier(4)
    ->Range(16, 65536)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ConvertRadixLong, base36_to_7, 36, 7)
    ->RangeMultiplier(4)
    ->Range(16, 65536)
    ->Unit(benchmark::kMillisecond);

// What the send operation does with a frame typed in hexadecimal: format it,
// compute its CRC, turn it into bytes. range(0): bytes in the frame.
void SendFrame(benchmark::State& state) {
    std::string typed;
    for (int i = 0; i < state.range(0); ++i) typed += "a5 ";
    for (auto _ : state) {
        std::string frame = vorta::codec::FormatHexPairs(typed);
        frame += ' ';
        frame += vorta::codec::Crc16Text(typed);
        const std::string bytes = vorta::codec::HexPairsToBytes(frame);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

BENCHMARK(SendFrame)->Arg(6)->Arg(256)->Arg(4096);

}  // namespace

BENCHMARK_MAIN();
