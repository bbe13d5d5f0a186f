// The single instance: where its socket lies, who may answer on it, what happens when the
// runtime folder cannot be used, and that one copy runs whatever happens to the socket
// (idle connections, a stopped copy, a crash), with copies in processes of their own.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTest>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "HostTestSupport.h"
#include "platform/LocalSingleInstance.h"

namespace fs = std::filesystem;

namespace {

// The unprivileged account that stands in for another user.
constexpr uid_t Nobody = 65534;
constexpr gid_t NoGroup = 65534;

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

uid_t ownerOf(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_uid : static_cast<uid_t>(-1);
}

// A socket listening at `path` in a process of another user: the socket is bound here, then a
// child drops to the unprivileged account and listens on it until this object goes.
class ForeignListener {
public:
    explicit ForeignListener(const fs::path& path) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        int ready[2], hold[2];
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::pipe(ready) != 0 || ::pipe(hold) != 0)
            return;
        child_ = ::fork();
        if (child_ == 0) {
            ::close(ready[0]);
            ::close(hold[1]);
            char byte = 0;
            if (::setgroups(0, nullptr) == 0 && ::setgid(NoGroup) == 0 && ::setuid(Nobody) == 0 &&
                ::listen(fd, 4) == 0 && ::write(ready[1], "1", 1) == 1)
                while (::read(hold[0], &byte, 1) > 0) {
                }
            ::_exit(0);
        }
        ::close(fd);
        ::close(ready[1]);
        ::close(hold[0]);
        hold_ = hold[1];
        char byte = 0;
        listening_ = child_ > 0 && ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
    }
    ~ForeignListener() {
        if (hold_ >= 0) ::close(hold_);
        if (child_ > 0) ::waitpid(child_, nullptr, 0);
    }
    ForeignListener(const ForeignListener&) = delete;
    ForeignListener& operator=(const ForeignListener&) = delete;
    bool listening() const { return listening_; }

private:
    pid_t child_ = -1;
    int hold_ = -1;
    bool listening_ = false;
};

// While it lives, a test running as root acts with the unprivileged account's rights, so that
// a folder's permissions bind it as they bind any user.
class ActAsUnprivileged {
public:
    ActAsUnprivileged() : active_(::geteuid() == 0) {
        if (active_) active_ = ::setegid(NoGroup) == 0 && ::seteuid(Nobody) == 0;
    }
    ~ActAsUnprivileged() {
        if (active_) {
            [[maybe_unused]] const int user = ::seteuid(0);
            [[maybe_unused]] const int group = ::setegid(0);
        }
    }
    ActAsUnprivileged(const ActAsUnprivileged&) = delete;
    ActAsUnprivileged& operator=(const ActAsUnprivileged&) = delete;

private:
    bool active_;
};

sockaddr_un addressOf(const fs::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    return address;
}

// A socket bound at `path` by this process, as anyone else's would be; -1 on failure.
int bindSocketAt(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_un address = addressOf(path);
    if (fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
        return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

ino_t inodeOf(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// Connections to the socket at `path` that send nothing, up to `count`: each waits up to
// `wait` for room in the listener's queue; with no wait, connecting stops at the first that
// does not fit at once.
std::vector<int> idleConnections(const fs::path& path, std::size_t count,
                                 std::chrono::seconds wait) {
    std::vector<int> connections;
    const sockaddr_un address = addressOf(path);
    while (connections.size() < count) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) break;
        if (wait.count() > 0) {
            const timeval tv{static_cast<time_t>(wait.count()), 0};
            ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof(tv));
        } else {
            ::fcntl(fd, F_SETFL, O_NONBLOCK);
        }
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
            ::close(fd);
            break;
        }
        connections.push_back(fd);
    }
    return connections;
}

void closeAll(std::vector<int>& fds) {
    for (const int fd : fds) ::close(fd);
    fds.clear();
}

// One start of the program in a process of its own (singleinstance_copy), optionally with at
// most `openFiles` descriptors, and when it runs first starting the program `starts`. It says
// "first" when it is the running copy (and "raised" each time a later one brings it forward), or
// "second" and ends.
class Copy {
public:
    explicit Copy(const std::string& name, rlim_t openFiles = 0, const char* starts = nullptr) {
        int out[2], in[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        if (::pipe2(in, O_CLOEXEC) != 0) {
            ::close(out[0]);
            ::close(out[1]);
            return;
        }
        const rlimit limit{openFiles, openFiles};
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            if (openFiles > 0 && ::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(126);
            if (starts)
                ::execl(SINGLEINSTANCE_COPY, SINGLEINSTANCE_COPY, name.c_str(), "--start", starts,
                        nullptr);
            else
                ::execl(SINGLEINSTANCE_COPY, SINGLEINSTANCE_COPY, name.c_str(), nullptr);
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(in[0]);
        output_ = out[0];
        input_ = in[1];
    }
    ~Copy() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) ::close(output_);
        if (input_ >= 0) ::close(input_);
    }
    Copy(const Copy&) = delete;
    Copy& operator=(const Copy&) = delete;

    // The next line it says, without the line end; empty when none comes within `seconds`.
    std::string nextLine(double seconds = 30) {
        const auto deadline = std::chrono::steady_clock::now() + toDuration(seconds);
        for (;;) {
            const auto end = said_.find('\n');
            if (end != std::string::npos) {
                std::string line = said_.substr(0, end);
                said_.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd readable{output_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&readable, 1, static_cast<int>(left.count())) <= 0)
                return {};
            char buffer[256];
            const ssize_t n = ::read(output_, buffer, sizeof(buffer));
            if (n <= 0) return {};
            said_.append(buffer, static_cast<std::size_t>(n));
        }
    }
    // Whether it says `line` within `seconds`, passing over whatever else it says first.
    bool says(const std::string& line, double seconds = 30) {
        const auto deadline = std::chrono::steady_clock::now() + toDuration(seconds);
        for (;;) {
            const double left =
                std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
            if (left <= 0) return false;
            const std::string next = nextLine(left);
            if (next == line) return true;
            if (next.empty()) return false;
        }
    }

    bool running() { return pid_ > 0 && exitStatus(0) < 0; }
    // Its exit status once it has ended within `seconds`; -1 while it runs, 128 + the signal
    // that ended it.
    int exitStatus(double seconds = 30) {
        const auto deadline = std::chrono::steady_clock::now() + toDuration(seconds);
        while (!status_ && pid_ > 0) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return status_ ? *status_ : -1;
    }
    // The running copy ends when its input closes.
    int end() {
        ::close(input_);
        input_ = -1;
        return exitStatus();
    }
    // Stopped as by Ctrl-Z, and going on again.
    bool stop() { return signalAndWait(SIGSTOP, WUNTRACED); }
    bool resume() { return signalAndWait(SIGCONT, WCONTINUED); }
    // Killed outright: nothing of its own runs at its end.
    void crash() {
        ::kill(pid_, SIGKILL);
        exitStatus();
    }

private:
    static std::chrono::steady_clock::duration toDuration(double seconds) {
        return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(seconds));
    }
    bool signalAndWait(int signal, int options) {
        int status = 0;
        return ::kill(pid_, signal) == 0 && ::waitpid(pid_, &status, options) == pid_;
    }

    pid_t pid_ = -1;
    int output_ = -1, input_ = -1;
    std::string said_;
    std::optional<int> status_;
};

// Each test has a runtime folder and a temporary folder of its own, both private to the user.
class SingleInstance : public ::testing::Test {
protected:
    static void SetUpTestSuite() { hosttest::ensureApplication(); }
    void SetUp() override {
        std::string pattern = "/tmp/singleinstance-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        runtime = folder / "runtime";
        temporary = folder / "tmp";
        fs::create_directory(runtime);
        fs::create_directory(temporary);
        ::chmod(runtime.c_str(), 0700);
        ::chmod(temporary.c_str(), 01777);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("TMPDIR", temporary.c_str(), 1);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    // The private folder that a copy run by `user` makes under the temporary folder.
    fs::path privateFolder(uid_t user = ::geteuid()) const {
        return temporary / ("singleinstance-" + std::to_string(user));
    }
    // GTEST_SKIP() returns from the function it is written in: the test itself must call it.
    static bool runningAsRoot() { return ::geteuid() == 0; }
    fs::path folder, runtime, temporary;
};

// Wherever the socket lies, the second copy finds the first and raises it; the socket is open
// to the user only, and another program has an instance of its own.
TEST_F(SingleInstance, SecondCopySeesTheFirstAndRaisesIt) {
    for (const bool withRuntime : {true, false}) {
        SCOPED_TRACE(withRuntime ? "runtime folder" : "temporary folder");
        if (!withRuntime) ::unsetenv("XDG_RUNTIME_DIR");
        platform::LocalSingleInstance first("singleinstance");
        int raised = 0;
        first.setActivationHandler([&] { ++raised; });
        EXPECT_FALSE(first.previousInstance());
        const fs::path socket = first.serverName();
        EXPECT_EQ(socket.parent_path(), withRuntime ? runtime : privateFolder());
        EXPECT_TRUE(S_ISSOCK(modeOf(socket)));
        EXPECT_EQ(modeOf(socket) & 077, 0u);
        if (!withRuntime) {
            EXPECT_EQ(modeOf(privateFolder()) & 07777, 0700u);
            EXPECT_EQ(ownerOf(privateFolder()), ::geteuid());
        }

        platform::LocalSingleInstance second("singleinstance");
        EXPECT_TRUE(second.previousInstance());
        second.activatePrevious();
        EXPECT_TRUE(QTest::qWaitFor([&] { return raised == 1; }, 5000));

        platform::LocalSingleInstance other("singleinstance-other");
        EXPECT_FALSE(other.previousInstance());
    }
}

// Folder names are taken as the system's bytes: a byte that is no UTF-8 in the runtime or
// the temporary folder's name leaves the socket where it belongs, and the copies still meet.
TEST_F(SingleInstance, FolderNamesThatAreNoUtf8AreKeptAsTheyAre) {
    const fs::path oddRuntime = folder / "run\xff";
    const fs::path oddTemporary = folder / "tmp\xff";
    fs::create_directory(oddRuntime);
    fs::create_directory(oddTemporary);
    ::chmod(oddRuntime.c_str(), 0700);
    ::setenv("TMPDIR", oddTemporary.c_str(), 1);
    for (const bool withRuntime : {true, false}) {
        SCOPED_TRACE(withRuntime ? "runtime folder" : "temporary folder");
        if (withRuntime)
            ::setenv("XDG_RUNTIME_DIR", oddRuntime.c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        platform::LocalSingleInstance first("singleinstance");
        EXPECT_FALSE(first.previousInstance());
        const fs::path socket = first.serverName();
        EXPECT_EQ(socket.parent_path(),
                  withRuntime ? oddRuntime
                              : oddTemporary / ("singleinstance-" + std::to_string(::geteuid())));
        EXPECT_TRUE(S_ISSOCK(modeOf(socket)));
        platform::LocalSingleInstance second("singleinstance");
        EXPECT_TRUE(second.previousInstance());
    }
}

// A runtime folder that others may enter, that belongs to someone else or that is no folder
// at all is passed over for the private temporary folder.
TEST_F(SingleInstance, RuntimeFolderIsUsedOnlyWhenPrivate) {
    const fs::path file = folder / "plain-file";
    std::FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    struct Case {
        const char* what;
        std::string value;
        mode_t mode;
        uid_t owner;
    };
    const Case cases[] = {
        {"open to all", runtime.string(), 0777, ::geteuid()},
        {"open to the group", runtime.string(), 0750, ::geteuid()},
        {"of another user", runtime.string(), 0700, Nobody},
        {"a plain file", file.string(), 0700, ::geteuid()},
        {"missing", (folder / "missing").string(), 0700, ::geteuid()},
        {"relative", "runtime", 0700, ::geteuid()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.owner != ::geteuid() && ::geteuid() != 0) continue;  // only root can give it away
        ASSERT_EQ(::chown(runtime.c_str(), c.owner, static_cast<gid_t>(-1)), 0);
        ::chmod(runtime.c_str(), c.mode);
        ::setenv("XDG_RUNTIME_DIR", c.value.c_str(), 1);
        platform::LocalSingleInstance first("singleinstance");
        EXPECT_EQ(fs::path(first.serverName()).parent_path(), privateFolder());
        EXPECT_FALSE(first.previousInstance());
        platform::LocalSingleInstance second("singleinstance");
        EXPECT_TRUE(second.previousInstance());
    }
}

// The private folder's name can be guessed; what someone else left there is not used.
TEST_F(SingleInstance, TemporaryFolderIsUsedOnlyWhenPrivate) {
    ::unsetenv("XDG_RUNTIME_DIR");
    const fs::path target = folder / "elsewhere";
    fs::create_directory(target);
    ::chmod(target.c_str(), 0700);
    struct Case {
        const char* what;
        void (*make)(const fs::path& name, const fs::path& target);
    };
    const Case cases[] = {
        {"open to all",
         [](const fs::path& name, const fs::path&) {
             fs::create_directory(name);
             ::chmod(name.c_str(), 0777);
         }},
        {"a link to a private folder",
         [](const fs::path& name, const fs::path& target) {
             fs::create_directory_symlink(target, name);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::error_code ec;
        fs::remove_all(privateFolder(), ec);
        c.make(privateFolder(), target);
        // This copy starts and runs alone.
        platform::LocalSingleInstance first("singleinstance");
        EXPECT_EQ(first.serverName(), "");
        EXPECT_FALSE(first.previousInstance());
        EXPECT_TRUE(fs::is_empty(target));
    }
}

// Another user listening where a copy is looked for does not make this one end.
TEST_F(SingleInstance, ForeignListenerDoesNotStopTheStart) {
    if (!runningAsRoot()) GTEST_SKIP() << "a listener of another user needs root to be made";
    {
        SCOPED_TRACE("in the runtime folder");
        platform::LocalSingleInstance probe("singleinstance");
        ForeignListener foreign(probe.serverName());
        ASSERT_TRUE(foreign.listening());
        platform::LocalSingleInstance first("singleinstance");
        EXPECT_FALSE(first.previousInstance());
        // The first copy took the name over.
        platform::LocalSingleInstance second("singleinstance");
        EXPECT_TRUE(second.previousInstance());
    }
    {
        SCOPED_TRACE("in a folder of the other user's under the shared name");
        ::unsetenv("XDG_RUNTIME_DIR");
        fs::create_directory(privateFolder());
        ::chmod(privateFolder().c_str(), 0777);
        ASSERT_EQ(::chown(privateFolder().c_str(), Nobody, NoGroup), 0);
        ForeignListener foreign(privateFolder() / "singleinstance.instance");
        ASSERT_TRUE(foreign.listening());
        platform::LocalSingleInstance first("singleinstance");
        EXPECT_FALSE(first.previousInstance());
    }
}

// With a runtime folder the user cannot write in, two starts still give one running copy,
// which the second raises.
TEST_F(SingleInstance, UnwritableRuntimeFolderStillGivesOneCopy) {
    const uid_t user = ::geteuid() == 0 ? Nobody : ::geteuid();
    ASSERT_EQ(::chown(runtime.c_str(), user, static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(::chmod(runtime.c_str(), 0500), 0);
    ::chmod(folder.c_str(), 0711);  // the unprivileged account passes through to its folders
    ActAsUnprivileged other;
    platform::LocalSingleInstance first("singleinstance");
    int raised = 0;
    first.setActivationHandler([&] { ++raised; });
    EXPECT_EQ(fs::path(first.serverName()).parent_path(), privateFolder(user));
    EXPECT_FALSE(first.previousInstance());

    platform::LocalSingleInstance second("singleinstance");
    EXPECT_TRUE(second.previousInstance());
    second.activatePrevious();
    EXPECT_TRUE(QTest::qWaitFor([&] { return raised == 1; }, 5000));
}

// What a crashed copy leaves, a socket that nobody listens on, does not block the next start,
// wherever the socket lies.
TEST_F(SingleInstance, StaleSocketDoesNotBlockTheNextStart) {
    for (const bool withRuntime : {true, false}) {
        SCOPED_TRACE(withRuntime ? "runtime folder" : "temporary folder");
        if (!withRuntime) ::unsetenv("XDG_RUNTIME_DIR");
        platform::LocalSingleInstance first("singleinstance");
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, first.serverName().c_str(), sizeof(address.sun_path) - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd);

        EXPECT_FALSE(first.previousInstance());
        platform::LocalSingleInstance second("singleinstance");
        EXPECT_TRUE(second.previousInstance());
    }
}

// A copy removes the socket at its end only while it is the one it made.
TEST_F(SingleInstance, EndRemovesTheSocketOnlyWhileItIsItsOwn) {
    for (const bool replaced : {false, true}) {
        SCOPED_TRACE(replaced ? "replaced by another" : "its own");
        int other = -1;
        fs::path socket;
        {
            platform::LocalSingleInstance first("singleinstance");
            ASSERT_FALSE(first.previousInstance());
            socket = first.serverName();
            ASSERT_TRUE(S_ISSOCK(modeOf(socket)));
            if (replaced) {
                fs::remove(socket);
                other = bindSocketAt(socket);
                ASSERT_GE(other, 0);
            }
        }
        EXPECT_EQ(fs::exists(fs::symlink_status(socket)), replaced);
        if (other >= 0) ::close(other);
        fs::remove(socket);
    }
}

// More idle connections than the running copy may hold descriptors: it drops each after a
// second and goes on listening; a start meanwhile and a start afterwards are later copies.
TEST_F(SingleInstance, IdleConnectionsLeaveOneRunningCopy) {
    constexpr std::size_t Idle = 1100;
    rlimit own{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &own), 0);
    if (own.rlim_cur < Idle + 100) {
        own.rlim_cur = std::min<rlim_t>(own.rlim_max, Idle + 100);
        ::setrlimit(RLIMIT_NOFILE, &own);
    }
    if (own.rlim_cur < Idle + 100) GTEST_SKIP() << "this test may not open " << Idle << " files";

    Copy first("singleinstance", 1024);
    ASSERT_EQ(first.nextLine(), "first");
    const fs::path socket = runtime / "singleinstance.instance";
    std::vector<int> idle = idleConnections(socket, Idle, std::chrono::seconds(10));
    EXPECT_EQ(idle.size(), Idle) << "the running copy stopped taking connections";

    Copy second("singleinstance");
    EXPECT_EQ(second.nextLine(), "second");
    EXPECT_EQ(second.exitStatus(), 0);
    EXPECT_TRUE(first.running());

    closeAll(idle);
    Copy third("singleinstance");
    EXPECT_EQ(third.nextLine(), "second");
    EXPECT_TRUE(first.says("raised")) << "the running copy no longer listens";
    EXPECT_EQ(first.end(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(socket)));
}

// A stopped running copy whose queue is full cannot answer: a start then is a later copy
// all the same, ends within its wait and leaves the running copy's socket in place.
TEST_F(SingleInstance, StoppedCopyWithAFullQueueStaysTheOnlyOne) {
    Copy first("singleinstance");
    ASSERT_EQ(first.nextLine(), "first");
    const fs::path socket = runtime / "singleinstance.instance";
    const ino_t bound = inodeOf(socket);
    ASSERT_NE(bound, 0u);
    ASSERT_TRUE(first.stop());
    std::vector<int> queued = idleConnections(socket, 100000, std::chrono::seconds(0));
    ASSERT_FALSE(queued.empty());
    ASSERT_LT(queued.size(), 100000u) << "the queue never filled";

    Copy second("singleinstance");
    EXPECT_EQ(second.nextLine(), "second");
    EXPECT_EQ(second.exitStatus(), 0);
    EXPECT_EQ(inodeOf(socket), bound);

    ASSERT_TRUE(first.resume());
    closeAll(queued);
    Copy third("singleinstance");
    EXPECT_EQ(third.nextLine(), "second");
    EXPECT_TRUE(first.says("raised"));
    EXPECT_EQ(first.end(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(socket)));
}

// A copy killed outright leaves its socket and lock file behind; the next start is the
// running copy, and the one after it a later copy that brings it forward.
TEST_F(SingleInstance, CrashedCopyIsFollowedByOneRunningCopy) {
    Copy crashed("singleinstance");
    ASSERT_EQ(crashed.nextLine(), "first");
    crashed.crash();
    const fs::path socket = runtime / "singleinstance.instance";
    EXPECT_TRUE(S_ISSOCK(modeOf(socket)));

    Copy next("singleinstance");
    EXPECT_EQ(next.nextLine(), "first");
    Copy later("singleinstance");
    EXPECT_EQ(later.nextLine(), "second");
    EXPECT_TRUE(next.says("raised"));
    EXPECT_EQ(next.end(), 0);
}

// A program that the running copy started (as the table starts the calculator) and that
// outlives it does not keep its place: the next start is the running copy.
TEST_F(SingleInstance, ProgramStartedByTheRunningCopyDoesNotHoldItsPlace) {
    Copy first("singleinstance", 0, "/bin/sleep");
    ASSERT_EQ(first.nextLine(), "first");
    const std::string started = first.nextLine();
    ASSERT_EQ(started.rfind("started ", 0), 0u) << started;
    const pid_t child = static_cast<pid_t>(std::stol(started.substr(8)));
    EXPECT_EQ(first.end(), 0);
    EXPECT_EQ(::kill(child, 0), 0) << "the started program should still run";

    Copy next("singleinstance");
    EXPECT_EQ(next.nextLine(), "first");
    ::kill(child, SIGKILL);
}

// The listening socket of this process at `path`, or -1.
int listeningSocketAt(const fs::path& path) {
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        const int fd = std::stoi(entry.path().filename().string());
        sockaddr_un address{};
        socklen_t size = sizeof(address);
        int listening = 0;
        socklen_t flagSize = sizeof(listening);
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0 &&
            address.sun_family == AF_UNIX && path == address.sun_path &&
            ::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &flagSize) == 0 && listening)
            return fd;
    }
    return -1;
}

// A listener whose socket fails under it makes a new one, and later copies find it again.
TEST_F(SingleInstance, ListenerThatFailsListensAgain) {
    platform::LocalSingleInstance first("singleinstance");
    int raised = 0;
    first.setActivationHandler([&] { ++raised; });
    ASSERT_FALSE(first.previousInstance());
    const fs::path socket = first.serverName();
    const int listening = listeningSocketAt(socket);
    ASSERT_GE(listening, 0);
    // Something that is no socket takes the listener's place.
    const int other = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::dup2(other, listening), listening);
    ::close(other);

    // Connections reach it again once it listens anew.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            std::vector<int> probe = idleConnections(socket, 1, std::chrono::seconds(0));
            const bool reached = !probe.empty();
            closeAll(probe);
            return reached;
        },
        10000));
    platform::LocalSingleInstance second("singleinstance");
    EXPECT_TRUE(second.previousInstance());
    second.activatePrevious();
    EXPECT_TRUE(QTest::qWaitFor([&] { return raised == 1; }, 5000));
}

// Whether a copy listens on the socket at `path` right now.
bool reachable(const fs::path& path) {
    std::vector<int> probe = idleConnections(path, 1, std::chrono::seconds(0));
    const bool reached = !probe.empty();
    closeAll(probe);
    return reached;
}

std::string contentsOf(const fs::path& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// Whatever happens to the running copy's socket, lock file or private folder while it runs
// (a cleaner of the temporary folder, the user), it puts them back and a later start
// reaches it.
TEST_F(SingleInstance, RunningCopyPutsBackWhatWasTakenFromItsFolder) {
    using Disturb = std::function<int(const fs::path& socket)>;  // a descriptor to close after
    const Disturb removeSocket = [](const fs::path& socket) {
        fs::remove(socket);
        return -1;
    };
    struct Case {
        const char* what;
        bool withRuntime;
        Disturb disturb;
    };
    const Case cases[] = {
        {"socket removed", true, removeSocket},
        {"socket removed from the temporary folder", false, removeSocket},
        {"socket moved away", true,
         [](const fs::path& socket) {
             fs::rename(socket, socket.string() + ".old");
             return -1;
         }},
        {"another socket in its place", true,
         [](const fs::path& socket) {
             fs::remove(socket);
             return bindSocketAt(socket);
         }},
        {"a file in its place", true,
         [](const fs::path& socket) {
             fs::remove(socket);
             std::ofstream(socket) << "not a socket\n";
             return -1;
         }},
        {"socket and lock file removed", true,
         [](const fs::path& socket) {
             fs::remove(socket);
             fs::remove(socket.string() + ".lock");
             return -1;
         }},
        {"private folder removed", false,
         [](const fs::path& socket) {
             fs::remove_all(socket.parent_path());
             return -1;
         }},
        {"private folder moved away", false,
         [](const fs::path& socket) {
             fs::rename(socket.parent_path(), socket.parent_path().string() + "-old");
             return -1;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.withRuntime)
            ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        platform::LocalSingleInstance first("singleinstance");
        int raised = 0;
        first.setActivationHandler([&] { ++raised; });
        ASSERT_FALSE(first.previousInstance());
        const fs::path socket = first.serverName();
        ASSERT_TRUE(reachable(socket));
        const int other = c.disturb(socket);
        EXPECT_TRUE(QTest::qWaitFor([&] { return reachable(socket); }, 10000))
            << "the running copy did not listen again";
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(socket.string() + ".lock")));
        {
            platform::LocalSingleInstance second("singleinstance");
            EXPECT_TRUE(second.previousInstance());
            second.activatePrevious();
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return raised == 1; }, 5000));
        if (other >= 0) ::close(other);
    }
}

// A lock path that holds no lock file of the user's is cleared, and one copy runs: the first
// start takes the lock there, the next finds it. What a folder there held is kept aside; a
// link's target is left as it was.
TEST_F(SingleInstance, LockPathInTheWayIsClearedAndOneCopyRuns) {
    const fs::path target = folder / "target";
    std::ofstream(target) << "kept\n";
    struct Case {
        const char* what;
        bool needsRoot;
        std::function<void(const fs::path& lock, const fs::path& target)> make;
    };
    const Case cases[] = {
        {"an empty folder", false,
         [](const fs::path& lock, const fs::path&) { fs::create_directory(lock); }},
        {"a folder that holds a file", false,
         [](const fs::path& lock, const fs::path&) {
             fs::create_directory(lock);
             std::ofstream(lock / "inside") << "kept\n";
         }},
        {"a link to a file of the user's", false,
         [](const fs::path& lock, const fs::path& target) { fs::create_symlink(target, lock); }},
        {"a link to nothing", false,
         [](const fs::path& lock, const fs::path& target) {
             fs::create_symlink(target.parent_path() / "missing", lock);
         }},
        {"a pipe", false,
         [](const fs::path& lock, const fs::path&) { ::mkfifo(lock.c_str(), 0600); }},
        {"a file of the user's without rights", false,
         [](const fs::path& lock, const fs::path&) {
             std::ofstream(lock) << "";
             ::chmod(lock.c_str(), 0);
         }},
        {"a file of another user's", true,
         [](const fs::path& lock, const fs::path&) {
             std::ofstream(lock) << "";
             [[maybe_unused]] const int changed = ::chown(lock.c_str(), Nobody, NoGroup);
         }},
    };
    const fs::path lock = runtime / "singleinstance.instance.lock";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsRoot && ::geteuid() != 0) continue;  // only root can give a file away
        for (const auto& entry : fs::directory_iterator(runtime)) fs::remove_all(entry.path());
        c.make(lock, target);
        {
            platform::LocalSingleInstance first("singleinstance");
            EXPECT_FALSE(first.previousInstance());
            struct stat info {};
            ASSERT_EQ(::lstat(lock.c_str(), &info), 0);
            EXPECT_TRUE(S_ISREG(info.st_mode));
            EXPECT_EQ(info.st_uid, ::geteuid());
            platform::LocalSingleInstance second("singleinstance");
            EXPECT_TRUE(second.previousInstance());
        }
        EXPECT_EQ(contentsOf(target), "kept\n");
        std::size_t keptAside = 0;
        for (const auto& entry : fs::directory_iterator(runtime))
            if (contentsOf(entry.path() / "inside") == "kept\n") ++keptAside;
        EXPECT_EQ(keptAside, std::string(c.what) == "a folder that holds a file" ? 1u : 0u);
    }
}

// Copies that start together over a folder in the lock's place clear it in turn: one runs.
TEST_F(SingleInstance, CopiesStartingTogetherOverAFolderInTheWayGiveOneRunningCopy) {
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        for (const auto& entry : fs::directory_iterator(runtime)) fs::remove_all(entry.path());
        fs::create_directories(runtime / "singleinstance.instance.lock" / "inside");
        Copy a("singleinstance"), b("singleinstance");
        const std::string saidA = a.nextLine(), saidB = b.nextLine();
        EXPECT_EQ((saidA == "first") + (saidB == "first"), 1) << saidA << " / " << saidB;
        EXPECT_EQ((saidA == "second") + (saidB == "second"), 1) << saidA << " / " << saidB;
        Copy& running = saidA == "first" ? a : b;
        EXPECT_TRUE(running.says("raised"));
        EXPECT_EQ(running.end(), 0);
    }
}

}  // namespace
