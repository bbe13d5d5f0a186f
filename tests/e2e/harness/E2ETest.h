#pragma once

// What the end-to-end tests share: waiting for a condition, reading a file whole, and a
// fixture with a private X session that skips when the X tools are missing. A check waits
// for what it looks at: a window's pixels once it has painted them, a program's socket
// once it listens, a geometry once the window manager has applied it.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "XSession.h"

namespace e2e {

// Generous: sanitizer builds start slowly.
constexpr double DefaultTimeout = 60;

// How long a mapped window may take to paint what a test looks for: several seconds, for
// a sanitizer build on a machine whose every core is busy.
constexpr double PaintTimeout = 20;

// Checks `condition` every 50 ms until it holds or `timeoutSeconds` have passed.
inline bool eventually(const std::function<bool()>& condition,
                       double timeoutSeconds = DefaultTimeout) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<int>(timeoutSeconds * 1000));
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A test with an X session of its own.
class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!toolsAvailable()) GTEST_SKIP() << "Xvfb, xauth or xdotool is not installed";
        session_ = std::make_unique<Session>();
        ASSERT_TRUE(session_->ready()) << session_->error();
    }

    Session& x() { return *session_; }
    const Session& x() const { return *session_; }
    bool hasSession() const { return session_ != nullptr; }

    // Starts `executable` and waits for its one window titled `title`.
    unsigned long openWindow(Process& program, const std::string& executable,
                             const std::string& title) {
        program = x().start(executable);
        EXPECT_TRUE(program.started());
        const auto found = x().waitForWindow(title, DefaultTimeout);
        EXPECT_EQ(found.size(), 1u) << program.output();
        return found.empty() ? 0 : found.front();
    }

    // The local socket on which the running copy of `program` (its executable's name)
    // waits for later copies.
    std::string instanceSocket(const std::string& program) const {
        return x().runtimeFolder() + "/" + program + ".instance";
    }
    // Waits until the running copy of `program` listens for later copies: only then does a
    // second copy find it.
    bool waitUntilListening(const std::string& program) const {
        return x().waitForListener(instanceSocket(program), DefaultTimeout);
    }

    // A second copy started while `first` shows its window titled `title` ends by itself,
    // quietly, and leaves the first and its one window as they were.
    void expectSecondCopyEnds(Process& second, Process& first, const std::string& title) {
        const auto code = second.waitExit(DefaultTimeout);
        ASSERT_TRUE(code) << "the second copy still runs";
        EXPECT_EQ(*code, 0) << second.output();
        EXPECT_EQ(second.output(), "");
        EXPECT_TRUE(first.running());
        EXPECT_EQ(x().windows(title).size(), 1u);
        EXPECT_TRUE(x().windows("...duplicate instance...").empty());
    }

private:
    std::unique_ptr<Session> session_;
};

}  // namespace e2e
