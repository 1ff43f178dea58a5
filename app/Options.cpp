#include "app/Options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace {

bool ParsePort(const std::string& text, uint16_t* port) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (errno != 0 || value == 0 || value > 65535) return false;
    *port = static_cast<uint16_t>(value);
    return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, AppOptions* options, std::string* error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            options->showHelp = true;
        } else if (a == "--version") {
            options->showVersion = true;
        } else if (a == "--keyboard-pad") {
            options->keyboardPad = true;
        } else if (a == "--music") {
            if (i + 1 >= args.size()) {
                *error = "--music needs a file";
                return false;
            }
            options->musicFile = args[++i];
        } else if (a == "--host") {
            if (options->net != AppOptions::Net::None) {
                *error = "--host and --join cannot be combined";
                return false;
            }
            options->net = AppOptions::Net::Host;
            if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
                if (!ParsePort(args[i + 1], &options->port)) {
                    *error = "bad port for --host: " + args[i + 1];
                    return false;
                }
                ++i;
            }
        } else if (a == "--join") {
            if (options->net != AppOptions::Net::None) {
                *error = "--host and --join cannot be combined";
                return false;
            }
            if (i + 1 >= args.size()) {
                *error = "--join needs HOST[:PORT]";
                return false;
            }
            options->net = AppOptions::Net::Join;
            const std::string target = args[++i];
            std::string portText;
            if (!target.empty() && target.front() == '[') {  // [IPv6]:PORT
                const size_t close = target.find(']');
                if (close == std::string::npos) {
                    *error = "bad address for --join: " + target;
                    return false;
                }
                options->host = target.substr(1, close - 1);
                if (close + 1 < target.size()) {
                    if (target[close + 1] != ':') {
                        *error = "bad address for --join: " + target;
                        return false;
                    }
                    portText = target.substr(close + 2);
                    if (portText.empty()) portText = "-";
                }
            } else if (std::count(target.begin(), target.end(), ':') == 1) {  // HOST:PORT
                const size_t colon = target.find(':');
                options->host = target.substr(0, colon);
                portText = target.substr(colon + 1);
                if (portText.empty()) portText = "-";
            } else {  // a host name, an IPv4 address or a bare IPv6 address
                options->host = target;
            }
            if (!portText.empty() && !ParsePort(portText, &options->port)) {
                *error = "bad port for --join: " + target;
                return false;
            }
            if (options->host.empty()) {
                *error = "--join needs a host name";
                return false;
            }
        } else {
            *error = "unknown option: " + a;
            return false;
        }
    }
    return true;
}

std::string UsageText() {
    return "Usage: kaziro [OPTION]...\n"
           "Bounce the falling dice into the slots so that every slot adds up to 10.\n"
           "\n"
           "  --keyboard-pad      read the pads from the keyboard (Z X A S E R W Q, Enter,\n"
           "                      Space and the arrow keys) instead of game controllers\n"
           "  --music FILE        loop FILE as background music (dropping an audio file\n"
           "                      on the window does the same)\n"
           "  --host [PORT]       wait for a second machine to join a two-machine game\n"
           "                      (default port " + std::to_string(kDefaultPort) + ")\n"
           "  --join HOST[:PORT]  join the game that HOST is hosting\n"
           "  --help              show this help and exit\n"
           "  --version           show the version and exit\n";
}
