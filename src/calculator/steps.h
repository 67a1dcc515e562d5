#pragma once
// The arithmetic steps of a calculator column: one step per line, an
// operator "+", "-", "*" or "/" followed by a decimal number.
#include <string>
#include <string_view>

namespace vorta::calculator {

// The longest decimal floating-point prefix of `text` after leading white
// space: optional sign, digits with an optional point, optional exponent.
// Full-width digits, signs and spaces count as ASCII. No number gives 0.
double ParseOperand(std::string_view text);

// Runs every line of `steps` (separated by "\r\n") on `value` in order; a line
// whose first byte is not an operator is skipped. Nothing is an error:
// dividing by zero gives an infinity or NaN.
double ApplySteps(double value, std::string_view steps);

// The steps as stored in the settings file: every "\r\n" becomes "#", and
// back. A "#" typed into a step therefore returns as a line break.
std::string StepsToStored(std::string_view steps);
std::string StepsFromStored(std::string_view stored);

}  // namespace vorta::calculator
