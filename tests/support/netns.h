// Network namespaces for the network tests: made by the test, named after
// its process so parallel runs do not meet, and gone when the test ends.
// Nothing in them reaches any network outside this machine.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

// Runs a shell command with its output discarded; true when it succeeded.
inline bool Sh(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// What a shell command prints on standard output and error.
inline std::string Output(const std::string& command) {
    std::string text;
    if (FILE* out = popen((command + " 2>&1").c_str(), "r")) {
        char chunk[512];
        size_t n;
        while ((n = fread(chunk, 1, sizeof chunk, out)) > 0) text.append(chunk, n);
        pclose(out);
    }
    return text;
}

// Why namespace tests cannot run here ("" when they can).
inline std::string NamespaceSkipReason() {
    if (geteuid() != 0) return "network namespaces need root";
    if (!Sh("ip netns list")) return "ip netns is not available";
    return "";
}

// "<prefix><pid><suffix>": a name no other test process uses (15 characters at most for devices).
inline std::string UniqueName(const char* prefix, const char* suffix) {
    return prefix + std::to_string(getpid()) + suffix;
}

// Starts argv inside namespace `ns` (fork, setns, exec) with standard output and
// error going to `logPath` ("": inherited). The child dies with the test process.
inline pid_t StartInNamespace(const std::string& ns, const std::vector<std::string>& argv,
                              const std::string& logPath = "") {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const std::string path = "/var/run/netns/" + ns;
    const pid_t pid = fork();
    if (pid != 0) return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const int nsFd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (nsFd < 0 || setns(nsFd, CLONE_NEWNET) != 0) _exit(126);
    if (!logPath.empty()) {
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        dup2(log, 1);
        dup2(log, 2);
    }
    execvp(args[0], args.data());
    _exit(127);
}

// Ends a process started above: SIGTERM, then SIGKILL after a second.
inline void StopProcess(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Runs f() with this thread in namespace `ns`, then puts the thread back.
// Sockets made in f stay in `ns`.
template <class F>
auto InNamespace(const std::string& ns, F f) {
    const int home = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const int target = open(("/var/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
    const bool entered = target >= 0 && setns(target, CLONE_NEWNET) == 0;
    struct Back {
        int home, target;
        bool entered;
        ~Back() {
            if (entered) setns(home, CLONE_NEWNET);
            if (home >= 0) close(home);
            if (target >= 0) close(target);
        }
    } back{home, target, entered};
    if (!entered) std::abort();  // running f in the wrong namespace would reach the real network
    return f();
}

// Joins namespaces a and b with a veth pair devA-devB, each end up with its
// address ("10.79.0.1/24"; "": none) and the subnet's broadcast address.
inline bool Veth(const std::string& a, const std::string& devA, const std::string& addrA,
                 const std::string& b, const std::string& devB, const std::string& addrB) {
    auto up = [](const std::string& ns, const std::string& dev, const std::string& addr) {
        return (addr.empty() || Sh("ip -n " + ns + " addr add " + addr + " brd + dev " + dev)) &&
               Sh("ip -n " + ns + " link set " + dev + " up");
    };
    return Sh("ip link add " + devA + " netns " + a + " type veth peer name " + devB + " netns " +
              b) &&
           up(a, devA, addrA) && up(b, devB, addrB);
}

// A namespace that exists while this object lives; every process still in it
// is killed when it goes.
class Namespace {
public:
    explicit Namespace(std::string name) : name_(std::move(name)) {
        Sh("ip netns delete " + name_);  // a leftover of an earlier process with this pid
        ok_ = Sh("ip netns add " + name_) && Sh("ip -n " + name_ + " link set lo up");
    }
    ~Namespace() {
        std::istringstream pids(Output("ip netns pids " + name_));
        for (int pid; pids >> pid;) kill(pid, SIGKILL);
        Sh("ip netns delete " + name_);
    }
    Namespace(const Namespace&) = delete;
    Namespace& operator=(const Namespace&) = delete;
    // Whether it was made.
    bool Ok() const { return ok_; }
    // Its name, for ip -n and the functions above.
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    bool ok_ = false;
};
