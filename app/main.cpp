// Program entry: reads the options and hands over to the game.
#include <cstdio>
#include <string>
#include <vector>

#include "app/Options.h"
#include "app/WinMain.h"

int main(int argc, char** argv) {
    AppOptions options;
    std::string error;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!ParseOptions(args, &options, &error)) {
        std::fprintf(stderr, "kaziro: %s\n%s", error.c_str(), UsageText().c_str());
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
    return WinMain(options);
}
