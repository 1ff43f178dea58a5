// Reading what a process wrote to a file (its standard error, a log) while it
// runs: all of it, or waiting for a line to appear.
#pragma once

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Whether `text` appears in the file within `ms` milliseconds.
inline bool LogSays(const std::string& path, const std::string& text, int ms) {
    for (int waited = 0; waited < ms; waited += 20) {
        if (ReadAll(path).find(text) != std::string::npos) return true;
        usleep(20000);
    }
    return false;
}
