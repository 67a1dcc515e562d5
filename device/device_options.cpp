#include "device/device_options.h"

namespace vorta::device {
namespace {

// "--name value" or "--name=value"; false when the value is missing.
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name, std::string& value) {
    const std::string& arg = args[i];
    if (arg.size() > name.size() && arg.compare(0, name.size() + 1, name + "=") == 0) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    if (i + 1 >= args.size()) return false;
    value = args[++i];
    return true;
}

bool IsOption(const std::string& arg, const std::string& name) {
    return arg == name || arg.compare(0, name.size() + 1, name + "=") == 0;
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    DeviceOptions& o = parsed.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        auto missing = [&](const std::string& name) {
            parsed.error = name + " needs a value";
            return parsed;
        };
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--background") {
            o.background = true;
        } else if (arg == "--log") {
            o.log = true;
        } else if (arg == "--select-port") {
            o.selectPort = true;
        } else if (IsOption(arg, "--link")) {
            if (!TakeValue(args, i, "--link", value) || value.empty()) return missing("--link");
            o.link = value == "none" ? std::string() : value;
        } else if (IsOption(arg, "--address")) {
            if (!TakeValue(args, i, "--address", value)) return missing("--address");
            const auto list = AddressList::parse(value);
            if (!list) {
                parsed.error = "--address: '" + value + "' is not a list of numbers 1-506 such as 1-10,17";
                return parsed;
            }
            o.addresses = *list;
        } else if (IsOption(arg, "--baud-pace")) {
            if (!TakeValue(args, i, "--baud-pace", value)) return missing("--baud-pace");
            if (value != "on" && value != "off") {
                parsed.error = "--baud-pace takes on or off";
                return parsed;
            }
            o.pace = value == "on";
        } else if (IsOption(arg, "--stream")) {
            if (!TakeValue(args, i, "--stream", value)) return missing("--stream");
            if (value != "text" && value != "none") {
                parsed.error = "--stream takes text or none";
                return parsed;
            }
            o.stream = value == "text";
        } else {
            parsed.error = "unknown argument '" + arg + "'";
            return parsed;
        }
    }
    return parsed;
}

}  // namespace vorta::device
