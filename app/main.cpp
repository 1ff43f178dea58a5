// Program entry: reads the options and hands over to the game.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/Options.h"
#include "app/Settings.h"
#include "app/WinMain.h"
#include "audio/cDSound.h"
#include "platform/clock.h"
#include "platform/report.h"
#include "platform/translation.h"

int main(int argc, char** argv) {
    AppOptions options;
    std::string error;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!ParseOptions(args, &options, &error)) {
        Report(nullptr, "%s", error.c_str());
        std::fputs(UsageText().c_str(), stderr);
        return 2;
    }
    if (options.showHelp) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (options.showVersion) {
        std::printf("kaziro %s\n", KAZIRO_VERSION);
        return 0;
    }
    // The player's language for the texts the game shows.
    StartTranslations();
    // The settings kept from the last run, under what the command line gives:
    // the arguments are read again over them (they were read without error).
    const Settings kept = LoadSettings();
    options = AppOptions{};
    options.fullscreen = kept.fullscreen;
    options.scale = kept.scale;
    ParseOptions(args, &options, &error);
    // A game by room code needs its meeting server named somewhere.
    if (options.room &&
        !ChooseMeetingServer(kept.meet, std::getenv("KAZIRO_MEET"), &options.meet, &options.meetPort, &error)) {
        Report("network", "%s", error.c_str());
        return 1;
    }
    dsound.SetMuted(kept.muted);
    // A two-machine game meets its partner in the window, which says what to
    // tell the partner while it waits.
    return WinMain(options, kept);
}
