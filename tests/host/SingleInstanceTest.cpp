// The single-instance socket against other users: where it lies, who may answer on it, and
// what happens when the runtime folder cannot be used.

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTest>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

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
    static void skipUnlessRoot() {
        if (::geteuid() != 0) GTEST_SKIP() << "a listener of another user needs root to be made";
    }
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
    skipUnlessRoot();
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

}  // namespace
