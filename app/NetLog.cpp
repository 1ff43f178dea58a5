#include "app/NetLog.h"

#include <cerrno>
#include <cstring>

cNetLog::~cNetLog() { Close(NetStats{}); }

bool cNetLog::Open(const std::string& path, std::string* error) {
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) *error = path + ": " + std::strerror(errno);
    return file_ != nullptr;
}

void cNetLog::Way(const char* path) {
    if (file_) std::fprintf(file_, "path %s\n", path);
}

void cNetLog::Shown(uint32_t timeMs, uint32_t step) {
    if (file_) std::fprintf(file_, "s %u %u\n", timeMs, step);
}

void cNetLog::Confirmed(uint32_t step, uint32_t checksum) {
    if (file_) std::fprintf(file_, "c %u %08X\n", step, checksum);
}

void cNetLog::Close(const NetStats& s) {
    if (!file_) return;
    std::fprintf(file_, "end rollbacks %llu resimulated %llu deepest %u skipped %u stalls %u "
                 "dropped %llu round-trip %u sent %llu received %llu\n",
                 static_cast<unsigned long long>(s.rollbacks),
                 static_cast<unsigned long long>(s.resimulated), static_cast<unsigned>(s.deepest),
                 static_cast<unsigned>(s.skipped), static_cast<unsigned>(s.stalls),
                 static_cast<unsigned long long>(s.dropped), static_cast<unsigned>(s.roundTripMs),
                 static_cast<unsigned long long>(s.sent), static_cast<unsigned long long>(s.received));
    std::fclose(file_);
    file_ = nullptr;
}
