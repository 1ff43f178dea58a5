// Command-line options.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Port used by --host and --join when none is given.
constexpr uint16_t kDefaultPort = 47800;

struct AppOptions {
    bool keyboardPad = false;  // --keyboard-pad: pads from the keyboard
    std::string musicFile;     // --music FILE: loop this file from start-up
    enum class Net { None, Host, Join } net = Net::None;
    std::string host;          // --join HOST[:PORT]
    uint16_t port = kDefaultPort;
    bool showHelp = false;
    bool showVersion = false;
};

// Parses the arguments after the program name. Returns false with *error set
// (one line) for an unknown option or a bad value.
bool ParseOptions(const std::vector<std::string>& args, AppOptions* options, std::string* error);
// The usage text listing every option.
std::string UsageText();
