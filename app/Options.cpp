#include "app/Options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "game/SyncCheck.h"
#include "net/MeetWire.h"
#include "net/SessionParts.h"

namespace {

bool ParsePort(const std::string& text, uint16_t* port) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (errno != 0 || value == 0 || value > 65535) return false;
    *port = static_cast<uint16_t>(value);
    return true;
}

// A whole number from low to high.
bool ParseCount(const std::string& text, long low, long high, long* value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (errno != 0 || v < low || v > high) return false;
    *value = v;
    return true;
}

}  // namespace

bool ParseJoinTarget(const std::string& target, std::string* host, uint16_t* port, std::string* error,
                     const char* option) {
    const std::string o = option;
    std::string portText;
    if (!target.empty() && target.front() == '[') {  // [IPv6]:PORT
        const size_t close = target.find(']');
        if (close == std::string::npos) {
            *error = "bad address for " + o + ": " + target;
            return false;
        }
        *host = target.substr(1, close - 1);
        if (close + 1 < target.size()) {
            if (target[close + 1] != ':') {
                *error = "bad address for " + o + ": " + target;
                return false;
            }
            portText = target.substr(close + 2);
            if (portText.empty()) portText = "-";
        }
    } else if (std::count(target.begin(), target.end(), ':') == 1) {  // HOST:PORT
        const size_t colon = target.find(':');
        *host = target.substr(0, colon);
        portText = target.substr(colon + 1);
        if (portText.empty()) portText = "-";
    } else {  // a host name, an IPv4 address or a bare IPv6 address
        *host = target;
    }
    if (!portText.empty() && !ParsePort(portText, port)) {
        *error = "bad port for " + o + ": " + target;
        return false;
    }
    if (host->empty()) {
        *error = o + " needs a host name";
        return false;
    }
    return true;
}

bool ParseOptions(const std::vector<std::string>& args, AppOptions* options, std::string* error) {
    static const char kOneWay[] = "only one of --host, --join, --host-online and --join-code can be given";
    bool playersGiven = false;
    bool delayGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        // The value after an option that needs one.
        const auto value = [&](const char* what, std::string* out) {
            if (i + 1 >= args.size()) {
                *error = a + " needs " + what;
                return false;
            }
            *out = args[++i];
            return true;
        };
        std::string v;
        if (a == "--players") {
            long players = 0;
            if (!value("a number of players", &v)) return false;
            if (!ParseCount(v, 1, 4, &players)) {
                *error = "--players takes 1 to 4, not " + v;
                return false;
            }
            options->players = static_cast<int>(players);
            playersGiven = true;
        } else if (a == "--delay") {
            long steps = 0;
            if (!value("a number of steps", &v)) return false;
            if (!ParseCount(v, 0, kMaxDelay, &steps)) {
                *error = "--delay takes a number of steps from 0 to " + std::to_string(kMaxDelay) +
                         ", not " + v;
                return false;
            }
            options->delay = static_cast<int>(steps);
            delayGiven = true;
        } else if (a == "--fullscreen") {
            options->fullscreen = true;
        } else if (a == "--scale") {
            if (!value("a factor from 1 to 4", &v)) return false;
            char* end = nullptr;
            errno = 0;
            const double scale = std::strtod(v.c_str(), &end);
            if (v.empty() || errno != 0 || *end != '\0' || !(scale >= 1.0 && scale <= kMaxScale)) {
                *error = "--scale takes a factor from 1 to 4 (such as 2 or 1.5), not " + v;
                return false;
            }
            options->scale = scale;
        } else if (a == "--help" || a == "-h") {
            options->showHelp = true;
        } else if (a == "--version") {
            options->showVersion = true;
        } else if (a == "--menu") {
            options->menu = true;
        } else if (a == "--keyboard-pad") {
            options->keyboardPad = true;
        } else if (a == "--music") {
            if (i + 1 >= args.size()) {
                *error = "--music needs a file";
                return false;
            }
            options->musicFile = args[++i];
        } else if (a == "--record") {
            if (!value("a file", &options->recordFile)) return false;
        } else if (a == "--replay") {
            if (!value("a file", &options->replayFile)) return false;
        } else if (a == "--sync-test") {
            options->syncTest = true;
        } else if (a.rfind("--sync-test=", 0) == 0) {
            long depth = 0;
            if (!ParseCount(a.substr(12), 0, kMaxSyncDepth, &depth)) {
                *error = "--sync-test= takes a number of steps to look back, 0 to " +
                         std::to_string(kMaxSyncDepth) + ", not " + a.substr(12);
                return false;
            }
            options->syncTest = true;
            options->syncDepth = static_cast<int>(depth);
        } else if (a == "--host" || a == "--host-online") {
            if (options->net != AppOptions::Net::None) {
                *error = kOneWay;
                return false;
            }
            options->net = AppOptions::Net::Host;
            options->room = a == "--host-online";
            if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
                if (!ParsePort(args[i + 1], &options->port)) {
                    *error = "bad port for " + a + ": " + args[i + 1];
                    return false;
                }
                ++i;
            }
        } else if (a == "--join-code") {
            if (options->net != AppOptions::Net::None) {
                *error = kOneWay;
                return false;
            }
            if (!value("a room code", &options->code)) return false;
            if (NormalizeMeetCode(options->code).empty()) {
                *error = "--join-code takes a room code, 6 characters of 2-9 and A-Z without I, L and O, not " +
                         options->code;
                return false;
            }
            options->net = AppOptions::Net::Join;
            options->room = true;
        } else if (a == "--meet") {
            if (!value("the meeting server's HOST[:PORT]", &v)) return false;
            options->meetPort = kMeetPort;
            if (!ParseJoinTarget(v, &options->meet, &options->meetPort, error, "--meet")) return false;
        } else if (a == "--join") {
            if (options->net != AppOptions::Net::None) {
                *error = kOneWay;
                return false;
            }
            options->net = AppOptions::Net::Join;
            // Without an address the game looks for a host on the local network.
            if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0) continue;
            if (!ParseJoinTarget(args[++i], &options->host, &options->port, error)) return false;
        } else if (a == "--lockstep") {
            options->lockstep = true;
        } else if (a == "--no-upnp") {
            options->upnp = false;
        } else if (a == "--autopilot") {
            long seed = 0;
            if (!value("a seed", &v)) return false;
            if (!ParseCount(v, 0, 2147483647L, &seed)) {
                *error = "--autopilot takes a seed, a whole number, not " + v;
                return false;
            }
            options->autopilot = true;
            options->autopilotSeed = static_cast<uint32_t>(seed);
        } else if (a == "--net-log") {
            if (!value("a file", &options->netLog)) return false;
        } else {
            *error = "unknown option: " + a;
            return false;
        }
    }
    if (!options->replayFile.empty()) {
        if (options->net != AppOptions::Net::None || playersGiven || !options->recordFile.empty()) {
            *error = "--replay plays a recorded game alone: it goes with neither --host, --join, "
                     "--players nor --record";
            return false;
        }
    }
    if (options->net != AppOptions::Net::None) {
        if (playersGiven && options->players != 2) {
            *error = "a two-machine game has two players: --players " + std::to_string(options->players) +
                     " does not go with --host or --join";
            return false;
        }
        options->players = 2;
    } else if (delayGiven || options->lockstep) {
        *error = std::string(delayGiven ? "--delay" : "--lockstep") + " goes with --host or --join";
        return false;
    }
    if (options->syncTest && options->net != AppOptions::Net::None && !options->lockstep) {
        *error = "--sync-test goes with a game of one machine or --lockstep: rollback takes its "
                 "steps again all the time";
        return false;
    }
    if (!options->meet.empty() && !options->room && !options->menu) {
        *error = "--meet goes with --host-online, --join-code or --menu";
        return false;
    }
    if (options->lockstep && options->room) {
        *error = "--lockstep does not go with --host-online or --join-code: a room's game is played with rollback";
        return false;
    }
    if (options->lockstep && options->net == AppOptions::Net::Join && options->host.empty()) {
        *error = "--lockstep needs the host's address: --join HOST[:PORT]";
        return false;
    }
    return true;
}

NetSettings NetSettingsOf(const AppOptions& options) {
    NetSettings s;
    s.role = options.net == AppOptions::Net::Host   ? NetSettings::Role::Host
             : options.net == AppOptions::Net::Join ? NetSettings::Role::Join
                                                    : NetSettings::Role::None;
    s.host = options.host;
    s.port = options.port;
    s.delay = options.delay;
    s.upnp = options.upnp && !options.room;  // the room's host asks the meeting server, not the router
    s.lockstep = options.lockstep;
    if (options.room) {
        s.meet = options.meet;
        s.meetPort = options.meetPort;
        s.code = options.code;
    }
    return s;
}

bool ChooseMeetingServer(const std::string& kept, const char* environment, std::string* host, uint16_t* port,
                         std::string* error) {
    if (!host->empty()) return true;
    const char* from = !kept.empty() ? "meet in the settings" : "KAZIRO_MEET";
    const std::string named = !kept.empty() ? kept : environment ? environment : "";
    if (named.empty()) {
        *error = NoMeetingServerText();
        return false;
    }
    *port = kMeetPort;
    return ParseJoinTarget(named, host, port, error, from);
}

std::string NoMeetingServerText() {
    return "a game by room code needs a meeting server: give --meet HOST[:PORT], name it in the menu's "
           "settings (the line \"meet HOST[:PORT]\" in ~/.config/kaziro/settings) or set KAZIRO_MEET; "
           "kaziro-meet runs one (UDP port " +
           std::to_string(kMeetPort) + "; see the README)";
}

std::string UsageText() {
    return "Usage: kaziro [OPTION]...\n"
           "Bounce the falling dice into the slots so that every slot adds up to 10.\n"
           "\n"
           "  --menu              start with the menu open (Tab or a pad's Guide button opens\n"
           "                      it during a game): every mode, replays, scores, settings\n"
           "  --players N         1 to 4 players on one machine: player 1 with the mouse,\n"
           "                      the others with game pads in the order they arrive\n"
           "  --keyboard-pad      a pad played from the keyboard (Z X A S E R W Q, Enter,\n"
           "                      Space and the arrow keys) is the first of the pads\n"
           "  --music FILE        loop FILE as background music (dropping an audio file\n"
           "                      on the window does the same)\n"
           "  --fullscreen        start fullscreen on the desktop's own resolution\n"
           "  --scale N           a window N times the field's size (1 to 4, e.g. 1.5)\n"
           "  --host [PORT]       wait for a second machine to join a two-player game on\n"
           "                      UDP port PORT (default " + std::to_string(kDefaultPort) + "), asking the router to forward it\n"
           "  --no-upnp           do not ask the router (NAT-PMP, UPnP) to forward the port\n"
           "                      (--host)\n"
           "  --join [HOST[:PORT]] join the game that HOST is hosting; without HOST, list the\n"
           "                      games on the local network and join the one found (the\n"
           "                      first, when there are several)\n"
           "  --host-online [PORT] host over the internet: the meeting server gives a room\n"
           "                      code (printed, and shown in the window) for the partner\n"
           "  --join-code CODE    join the game of that room code\n"
           "  --meet HOST[:PORT]  the meeting server for room codes (default port " + std::to_string(kMeetPort) + ");\n"
           "                      else the settings' meet, else KAZIRO_MEET\n"
           "  --delay STEPS       input delay of a two-machine game in 16 ms steps (0 to 30;\n"
           "                      none by default: the other player's moves are predicted)\n"
           "  --lockstep          play the two-machine game step for step over one TCP\n"
           "                      connection instead (then --delay is chosen from the round\n"
           "                      trip by default)\n"
           "  --record FILE       write the game as it is played to FILE, to replay later\n"
           "  --replay FILE       play a recorded game back (F: four times as fast;\n"
           "                      Escape ends it)\n"
           "  --sync-test[=STEPS] take every step twice from the same saved state, and every\n"
           "                      step go back STEPS steps (8 by default) and take them again;\n"
           "                      stop at the first difference and name what differs\n"
           "  --autopilot SEED    the computer plays this machine's player (demonstrations,\n"
           "                      tests, measurements)\n"
           "  --net-log FILE      write to FILE when each step was shown and the checksum of\n"
           "                      every confirmed step of a two-machine game\n"
           "  --help              show this help and exit\n"
           "  --version           show the version and exit\n"
           "\n"
           "Keys: digits 1-9 (keypad or number row) restart at that difficulty, P pauses,\n"
           "M mutes, F11 or Alt+Enter toggles fullscreen, Tab opens the menu, Escape quits.\n"
           "Pads: Start pauses; Back held with the d-pad or the shoulders chooses a\n"
           "difficulty and A restarts at it; Back and Start held for a second toggle\n"
           "fullscreen; R1 R2 L1 L2 Back Start held together quit.\n";
}
