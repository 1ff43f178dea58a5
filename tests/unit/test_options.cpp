// The command-line parser: two-machine options, ports, and what it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Options.h"

namespace {

struct Parsed {
    bool ok;
    AppOptions options;
    std::string error;
};

Parsed Parse(const std::vector<std::string>& args) {
    Parsed p;
    p.ok = ParseOptions(args, &p.options, &p.error);
    return p;
}

}  // namespace

TEST(Options, NoArgumentsIsTheSingleMachineGame) {
    const Parsed p = Parse({});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.net, AppOptions::Net::None);
    EXPECT_FALSE(p.options.keyboardPad);
    EXPECT_FALSE(p.options.showHelp);
    EXPECT_FALSE(p.options.showVersion);
    EXPECT_TRUE(p.options.musicFile.empty());
}

TEST(Options, HostWithAndWithoutPort) {
    Parsed p = Parse({"--host"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.net, AppOptions::Net::Host);
    EXPECT_EQ(p.options.port, kDefaultPort);
    EXPECT_EQ(kDefaultPort, 47800);

    p = Parse({"--host", "5000"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.net, AppOptions::Net::Host);
    EXPECT_EQ(p.options.port, 5000);

    // An option after --host is not taken for its port.
    p = Parse({"--host", "--keyboard-pad"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.port, kDefaultPort);
    EXPECT_TRUE(p.options.keyboardPad);

    p = Parse({"--host", "65535"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.port, 65535);
}

TEST(Options, JoinHostForms) {
    struct Case {
        std::string target, host;
        uint16_t port;
    };
    const Case cases[] = {
        {"example.org", "example.org", kDefaultPort},
        {"192.168.1.20", "192.168.1.20", kDefaultPort},
        {"127.0.0.1:6000", "127.0.0.1", 6000},
        {"game-box:1", "game-box", 1},
        {"[::1]:6001", "::1", 6001},
        {"[::1]", "::1", kDefaultPort},
        {"::1", "::1", kDefaultPort},  // a bare IPv6 address has no port
        {"fe80::2:3", "fe80::2:3", kDefaultPort},
    };
    for (const Case& c : cases) {
        const Parsed p = Parse({"--join", c.target});
        ASSERT_TRUE(p.ok) << c.target << ": " << p.error;
        EXPECT_EQ(p.options.net, AppOptions::Net::Join) << c.target;
        EXPECT_EQ(p.options.host, c.host) << c.target;
        EXPECT_EQ(p.options.port, c.port) << c.target;
    }
}

TEST(Options, BadPortsAndAddressesAreRefusedWithOneLine) {
    const std::vector<std::vector<std::string>> bad = {
        {"--host", "0"},          {"--host", "65536"},      {"--host", "99999999999999999999"},
        {"--host", "80a"},        {"--host", "-1"},         {"--host", "12.5"},
        {"--join", "h:0"},        {"--join", "h:65536"},    {"--join", "h:"},
        {"--join", "h:port"},     {"--join", "[::1]:"},     {"--join", "[::1]x"},
        {"--join", "[::1"},       {"--join", "[::1]:0"},    {"--join", ":5000"},
        {"--join", ""},           {"--join", "[]:5000"},
    };
    for (const auto& args : bad) {
        const Parsed p = Parse(args);
        EXPECT_FALSE(p.ok) << args[0] << " " << args[1];
        EXPECT_FALSE(p.error.empty()) << args[0] << " " << args[1];
        EXPECT_EQ(p.error.find('\n'), std::string::npos) << p.error;
    }
}

TEST(Options, MissingValuesConflictsAndUnknownOptions) {
    // Without an address --join looks on the local network; the stream
    // exchange needs the address.
    Parsed p = Parse({"--join"});
    EXPECT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.net, AppOptions::Net::Join);
    EXPECT_TRUE(p.options.host.empty());
    p = Parse({"--lockstep", "--join"});
    EXPECT_FALSE(p.ok);
    EXPECT_NE(p.error.find("--join"), std::string::npos) << p.error;

    p = Parse({"--host", "--join", "h"});
    EXPECT_FALSE(p.ok);
    p = Parse({"--join", "h", "--host"});
    EXPECT_FALSE(p.ok);

    p = Parse({"--music"});
    EXPECT_FALSE(p.ok);

    p = Parse({"--bogus"});
    EXPECT_FALSE(p.ok);
    EXPECT_NE(p.error.find("--bogus"), std::string::npos) << p.error;

    // A stray word is not an option either.
    p = Parse({"play"});
    EXPECT_FALSE(p.ok);
    p = Parse({"--join", "h", "6000"});
    EXPECT_FALSE(p.ok);
}

TEST(Options, HelpVersionAndTheOtherFlags) {
    const Parsed p = Parse({"--keyboard-pad", "--music", "tune.ogg", "--help", "--version"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_TRUE(p.options.keyboardPad);
    EXPECT_EQ(p.options.musicFile, "tune.ogg");
    EXPECT_TRUE(p.options.showHelp);
    EXPECT_TRUE(p.options.showVersion);
    EXPECT_TRUE(Parse({"-h"}).options.showHelp);
}

TEST(Options, PlayersDelayFullscreenAndScale) {
    Parsed p = Parse({"--players", "4", "--fullscreen", "--scale", "1.5"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.players, 4);
    EXPECT_TRUE(p.options.fullscreen);
    EXPECT_EQ(p.options.scale, 1.5);
    // A two-machine game has two players, its delay is 0 to 30 steps.
    p = Parse({"--join", "h", "--delay", "0"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.players, 2);
    EXPECT_EQ(p.options.delay, 0);
    EXPECT_EQ(Parse({"--host"}).options.delay, -1) << "chosen from the round trip";
    EXPECT_EQ(Parse({"--sync-test"}).options.syncDepth, 8);
    EXPECT_EQ(Parse({"--sync-test=3"}).options.syncDepth, 3);
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--players", "5"}, {"--players", "0"}, {"--players"}, {"--scale", "0.5"},
          {"--scale", "5"}, {"--scale", "2x"}, {"--scale", "nan"}, {"--delay", "3"},
          {"--host", "--delay", "31"}, {"--host", "--players", "1"}, {"--sync-test=65"},
          {"--sync-test=x"}}) {
        p = Parse(bad);
        EXPECT_FALSE(p.ok) << bad[0];
        EXPECT_EQ(p.error.find('\n'), std::string::npos) << p.error;
    }
}

TEST(Options, UsageListsEveryOption) {
    const std::string usage = UsageText();
    for (const char* option :
         {"--players N", "--keyboard-pad", "--music FILE", "--fullscreen", "--scale N",
          "--host [PORT]", "--no-upnp", "--join [HOST[:PORT]]", "--delay STEPS", "--lockstep",
          "--record FILE", "--replay FILE", "--sync-test", "--autopilot SEED", "--net-log FILE",
          "--host-online [PORT]", "--join-code CODE", "--meet HOST[:PORT]", "47801",
          "--help", "--version", "47800"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

TEST(Options, RoomCodesAndTheirMeetingServer) {
    Parsed p = Parse({"--host-online"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.net, AppOptions::Net::Host);
    EXPECT_TRUE(p.options.room);
    EXPECT_EQ(p.options.players, 2);
    // The code as typed; the meeting server with its port, or the default one.
    p = Parse({"--join-code", "7kq 2mx", "--meet", "meet.example.org", "--delay", "2"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.net, AppOptions::Net::Join);
    const NetSettings s = NetSettingsOf(p.options);
    EXPECT_EQ(s.role, NetSettings::Role::Join);
    EXPECT_EQ(s.code, "7kq 2mx");
    EXPECT_EQ(s.meet, "meet.example.org");
    EXPECT_EQ(s.meetPort, 47801);
    EXPECT_EQ(s.delay, 2);
    EXPECT_EQ(Parse({"--host-online", "--meet", "[::1]:5000"}).options.meetPort, 5000);
    EXPECT_FALSE(NetSettingsOf(Parse({"--host-online"}).options).upnp) << "the room's host asks no router";
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--join-code", "7KQ2M0"}, {"--join-code"}, {"--join-code", "7KQ2MXY"},
          {"--host-online", "--join", "h"}, {"--host", "--join-code", "7KQ2MX"}, {"--host-online", "--host"},
          {"--host-online", "--lockstep"}, {"--meet", "m"}, {"--host-online", "--meet", "m:0"},
          {"--join-code", "7KQ2MX", "--replay", "f"}}) {
        p = Parse(bad);
        EXPECT_FALSE(p.ok) << bad[0] << " " << bad[1];
        EXPECT_EQ(p.error.find('\n'), std::string::npos) << p.error;
    }
    EXPECT_TRUE(Parse({"--menu", "--meet", "m"}).ok) << "the menu's room entries use it";

    // --meet, else the settings, else KAZIRO_MEET; none: how to run one.
    std::string host = "given", error;
    uint16_t port = 9;
    EXPECT_TRUE(ChooseMeetingServer("kept", "env", &host, &port, &error));
    EXPECT_EQ(host + ":" + std::to_string(port), "given:9");
    host.clear();
    EXPECT_TRUE(ChooseMeetingServer("kept:6000", "env", &host, &port, &error));
    EXPECT_EQ(host + ":" + std::to_string(port), "kept:6000");
    host.clear();
    EXPECT_TRUE(ChooseMeetingServer("", "env", &host, &port, &error));
    EXPECT_EQ(host + ":" + std::to_string(port), "env:47801");
    host.clear();
    EXPECT_FALSE(ChooseMeetingServer("kept:x", nullptr, &host, &port, &error));
    EXPECT_NE(error.find("meet in the settings"), std::string::npos) << error;
    host.clear();
    EXPECT_FALSE(ChooseMeetingServer("", nullptr, &host, &port, &error));
    EXPECT_EQ(error, NoMeetingServerText());
    EXPECT_NE(error.find("kaziro-meet"), std::string::npos) << error;
}
