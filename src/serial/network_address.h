#pragma once
// The address of a port on a serial device server, as a ports-folder link holds
// it: "rfc2217://HOST:PORT" (Telnet with the COM port option, RFC 2217) or
// "tcp://HOST:PORT" (the bytes alone). HOST is a name, an IPv4 address or an
// IPv6 address in brackets, with an optional zone ("[fe80::1%eth0]").
#include <optional>
#include <string>
#include <string_view>

namespace vorta::serial {

struct NetworkAddress {
    enum class Protocol { kRfc2217, kRawTcp };
    Protocol protocol = Protocol::kRfc2217;
    std::string host;  // without brackets
    std::string port;  // decimal, 1 to 65535
};

// True when `path` names a network port at all (its scheme is one of the two),
// whether or not the rest is well formed.
bool IsNetworkAddress(std::string_view path);
// The address, or nullopt when `text` is not a well-formed one.
std::optional<NetworkAddress> ParseNetworkAddress(std::string_view text);

}  // namespace vorta::serial
