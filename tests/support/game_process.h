// A game process started from the build folder, headless (the tests'
// environment selects SDL's dummy drivers), with its standard error collected.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

// The program, relative to the build folder the tests and benchmarks run in.
constexpr const char* kGameProgram = "./kaziro";

// One game process. Killed and reaped when its owner leaves early.
class Game {
public:
    using Clock = std::chrono::steady_clock;

    explicit Game(const std::vector<std::string>& args) {
        int pipeFds[2];
        if (pipe2(pipeFds, O_CLOEXEC) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(pipeFds[1], 2);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(kGameProgram));
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(kGameProgram, argv.data());
            _exit(127);
        }
        close(pipeFds[1]);
        errFd = pipeFds[0];
        fcntl(errFd, F_SETFL, O_NONBLOCK);
    }
    ~Game() {
        if (pid > 0 && !exited) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (errFd >= 0) close(errFd);
    }
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Collects what the game wrote to standard error so far.
    const std::string& Errors() {
        char buffer[512];
        long n;
        while (errFd >= 0 && (n = read(errFd, buffer, sizeof buffer)) > 0) err.append(buffer, n);
        return err;
    }
    bool WaitForError(const std::string& text, int ms) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (Errors().find(text) == std::string::npos) {
            if (Clock::now() >= end || !Running()) return Errors().find(text) != std::string::npos;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }
    bool Running() {
        if (exited) return false;
        int s = 0;
        if (waitpid(pid, &s, WNOHANG) == pid) {
            exited = true;
            status = s;
            exitTime = Clock::now();
        }
        return !exited;
    }
    // Waits up to ms for the process to end; false when it is still running.
    bool WaitExit(int ms) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (Running() && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return !Running();
    }
    // The exit status, or minus the signal that ended the process.
    int ExitCode() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status); }

    pid_t pid = -1;
    int errFd = -1;
    bool exited = false;
    int status = 0;
    Clock::time_point exitTime;
    std::string err;
};

