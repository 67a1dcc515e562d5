#include "calculator/steps.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "codec/gbk_text.h"

namespace vorta::calculator {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// For a number too large or too small for a double (from_chars leaves the
// value alone then): true when its decimal magnitude is above 1, so that it
// overflows to infinity rather than underflowing to zero.
bool Overflows(std::string_view number) {
    std::int64_t magnitude = 0;  // decimal exponent of the first significant digit, plus one
    bool significant = false;
    bool afterPoint = false;
    std::size_t i = 0;
    for (; i < number.size() && (IsDigit(number[i]) || number[i] == '.'); ++i) {
        if (number[i] == '.') {
            afterPoint = true;
        } else if (significant) {
            if (!afterPoint) ++magnitude;
        } else if (number[i] != '0') {
            significant = true;
            if (!afterPoint) magnitude = 1;
        } else if (afterPoint) {
            --magnitude;
        }
    }
    std::int64_t exponent = 0;
    if (i < number.size()) {  // 'e' or 'E', as from_chars accepted it
        ++i;
        bool negative = false;
        if (number[i] == '+' || number[i] == '-') negative = number[i++] == '-';
        for (; i < number.size() && IsDigit(number[i]); ++i) {
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (number[i] - '0');
        }
        if (negative) exponent = -exponent;
    }
    return magnitude + exponent > 0;
}

}  // namespace

double ParseOperand(std::string_view text) {
    const std::string s = codec::ToHalfWidth(text);
    std::size_t i = 0;
    while (i < s.size() && IsWhiteSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    // from_chars would also take a second sign, "inf" or "nan": none of them is a number here.
    if (i == s.size() || !(IsDigit(s[i]) || s[i] == '.')) return 0.0;
    const char* begin = s.data() + i;
    double value = 0.0;
    const auto [end, error] = std::from_chars(begin, s.data() + s.size(), value);
    if (error == std::errc::invalid_argument) return 0.0;  // a lone point
    if (error == std::errc::result_out_of_range) {
        value = Overflows(std::string_view(begin, end - begin)) ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

double ApplySteps(double value, std::string_view steps) {
    std::size_t start = 0;
    while (start <= steps.size()) {
        std::size_t end = steps.find("\r\n", start);
        if (end == std::string_view::npos) end = steps.size();
        const std::string_view line = steps.substr(start, end - start);
        if (!line.empty()) {
            const std::string_view rest = line.substr(1);
            switch (line.front()) {
            case '+': value += ParseOperand(rest); break;
            case '-': value -= ParseOperand(rest); break;
            case '*': value *= ParseOperand(rest); break;
            case '/': value /= ParseOperand(rest); break;
            default: break;  // not a step
            }
        }
        start = end + 2;
    }
    return value;
}

std::string StepsToStored(std::string_view steps) {
    std::string out;
    out.reserve(steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps.compare(i, 2, "\r\n") == 0) {
            out += '#';
            ++i;
        } else {
            out += steps[i];
        }
    }
    return out;
}

std::string StepsFromStored(std::string_view stored) {
    std::string out;
    out.reserve(stored.size());
    for (const char c : stored) {
        if (c == '#') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace vorta::calculator
