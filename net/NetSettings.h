// What a two-machine game is asked to be: the program's options as the
// network code needs them, and nothing else.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The game's port when none is given.
constexpr uint16_t kDefaultPort = 47800;

struct NetSettings {
    enum class Role { None, Host, Join } role = Role::None;
    std::string host;        // Join: the host's name or address; empty: look on the local network
    uint16_t port = kDefaultPort;
    int delay = -1;          // input delay in steps; -1: none asked for
    bool upnp = true;        // Host: ask the router to forward the port
    bool lockstep = false;   // step for step over a stream instead of rollback over datagrams
    uint32_t connectTimeoutMs = 10000;  // Join: how long to keep trying to reach the host
    // Meeting by a room code (rollback only): the meeting server's name or
    // address and its UDP port ("" : no room, the host's address or the
    // local network as above); Join: the code as typed.
    std::string meet;
    uint16_t meetPort = 47801;
    std::string code;
    // Host by a room code: told the code once the meeting server gave it
    // (from the thread that runs Connect).
    std::function<void(const std::string& code)> roomCode;
};
