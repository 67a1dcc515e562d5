#include "serial/network_address.h"

#include <charconv>

namespace vorta::serial {
namespace {

constexpr std::string_view kRfc2217Scheme = "rfc2217://";
constexpr std::string_view kTcpScheme = "tcp://";

bool IsPortNumber(std::string_view text) {
    if (text.empty() || text.size() > 5) return false;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 1 && value <= 65535;
}

}  // namespace

bool IsNetworkAddress(std::string_view path) {
    return path.starts_with(kRfc2217Scheme) || path.starts_with(kTcpScheme);
}

std::optional<NetworkAddress> ParseNetworkAddress(std::string_view text) {
    NetworkAddress address;
    if (text.starts_with(kRfc2217Scheme)) {
        text.remove_prefix(kRfc2217Scheme.size());
    } else if (text.starts_with(kTcpScheme)) {
        address.protocol = NetworkAddress::Protocol::kRawTcp;
        text.remove_prefix(kTcpScheme.size());
    } else {
        return std::nullopt;
    }
    if (!text.empty() && text.back() == '/') text.remove_suffix(1);
    std::string_view host;
    std::string_view port;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') return std::nullopt;
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
        if (host.find(':') == std::string_view::npos) return std::nullopt;  // brackets hold IPv6 only
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string_view::npos) return std::nullopt;
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.find(':') != std::string_view::npos) return std::nullopt;  // IPv6 needs brackets
    }
    if (host.empty() || !IsPortNumber(port)) return std::nullopt;
    for (const char c : host)
        if (static_cast<unsigned char>(c) <= ' ' || c == '/' || c == '@') return std::nullopt;
    address.host = std::string(host);
    address.port = std::string(port);
    return address;
}

}  // namespace vorta::serial
