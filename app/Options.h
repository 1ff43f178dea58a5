// Command-line options.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/NetSettings.h"

// The largest --scale: four times the field, 3200 x 2400.
constexpr double kMaxScale = 4.0;

struct AppOptions {
    int players = 1;           // --players N: 1 to 4 players on one machine
    bool keyboardPad = false;  // --keyboard-pad: pads from the keyboard
    std::string musicFile;     // --music FILE: loop this file from start-up
    bool fullscreen = false;   // --fullscreen: start fullscreen on the desktop's resolution
    double scale = 1.0;        // --scale N: the window is N times the field (1 to 4)
    enum class Net { None, Host, Join } net = Net::None;
    std::string host;          // --join HOST[:PORT]; empty: find a host on the local network
    bool room = false;         // --host-online / --join-code: meet through a meeting server by a room code
    std::string code;          // --join-code CODE, as typed
    std::string meet;          // --meet HOST[:PORT]: the meeting server ("": the settings', else KAZIRO_MEET),
                               // for --host-online, --join-code and the menu
    uint16_t meetPort = 47801;
    bool lockstep = false;     // --lockstep: the stream exchange, step for step, instead of rollback
    bool upnp = true;          // --no-upnp: --host does not ask the router for its port
    uint16_t port = kDefaultPort;
    int delay = -1;            // --delay STEPS; -1: chosen from the measured round trip
    std::string recordFile;    // --record FILE: write the game as it is played
    std::string replayFile;    // --replay FILE: play a recorded game back
    bool syncTest = false;     // --sync-test: take every step twice and compare, and look back
    int syncDepth = 8;         // --sync-test=STEPS: how far it looks back every step (0: not at all)
    bool autopilot = false;    // --autopilot SEED: the computer plays this machine's player
    uint32_t autopilotSeed = 0;
    std::string netLog;        // --net-log FILE: when each step was shown, every confirmed checksum
    bool menu = false;         // --menu: start with the menu open over the first board
    bool showHelp = false;
    bool showVersion = false;
};

// Parses the arguments after the program name. Returns false with *error set
// (one line) for an unknown option or a bad value.
bool ParseOptions(const std::vector<std::string>& args, AppOptions* options, std::string* error);
// Reads HOST[:PORT], [IPv6]:PORT or a bare IPv6 address (the port stays as it
// was when none is given); false with *error set.
bool ParseJoinTarget(const std::string& target, std::string* host, uint16_t* port, std::string* error,
                     const char* option = "--join");
// The meeting server of a game by room code: *host (with *port) when --meet
// gave it, else the settings' `kept`, else `environment` (KAZIRO_MEET; may be
// null), each HOST[:PORT]. False with *error (one line) when none names one,
// or the one named is not HOST[:PORT].
bool ChooseMeetingServer(const std::string& kept, const char* environment, std::string* host, uint16_t* port,
                         std::string* error);
// What to do when no meeting server is named: how to name one, and run one.
std::string NoMeetingServerText();
// What the network code is to set up for these options.
NetSettings NetSettingsOf(const AppOptions& options);
// The usage text listing every option.
std::string UsageText();
