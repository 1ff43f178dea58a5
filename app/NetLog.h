// --net-log: the way a game met by room code went ("path direct" or "path
// relay"), a line when each step was shown ("s TIME STEP"), one for every
// confirmed step with its state checksum ("c STEP CHECKSUM"), and at the end
// what the line cost ("end rollbacks ...", last the game datagrams sent to
// the partner and taken from it). Owns the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "net/cNetSession.h"

class cNetLog {
public:
    cNetLog() = default;
    ~cNetLog();
    cNetLog(const cNetLog&) = delete;
    cNetLog& operator=(const cNetLog&) = delete;

    // False with *error set when the file cannot be made.
    bool Open(const std::string& path, std::string* error);
    bool IsOpen() const { return file_ != nullptr; }
    void Way(const char* path);
    void Shown(uint32_t timeMs, uint32_t step);
    void Confirmed(uint32_t step, uint32_t checksum);
    // The last line, and the file closed. Once; later calls do nothing.
    void Close(const NetStats& stats);

private:
    std::FILE* file_ = nullptr;
};
