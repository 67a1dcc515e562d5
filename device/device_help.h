#pragma once
#include <string>

namespace vorta::device {

// What --help prints, in UTF-8; `defaultLink` (UTF-8) is where the link goes without --link.
std::string HelpText(const std::string& defaultLink);

}  // namespace vorta::device
