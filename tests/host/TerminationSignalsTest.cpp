// SIGTERM, SIGHUP and SIGINT become requests handled on the event loop, not in the signal
// handler; a signal ignored from the start stays ignored; the earlier handling comes back.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <csignal>

#include "HostTestSupport.h"
#include "platform/TerminationSignals.h"

namespace {

class TerminationSignals : public ::testing::Test {
protected:
    static void SetUpTestSuite() { hosttest::ensureApplication(); }
};

void (*handlerOf(int signal))(int) {
    struct sigaction action {};
    ::sigaction(signal, nullptr, &action);
    return action.sa_handler;
}

TEST_F(TerminationSignals, EachSignalIsARequestOnTheEventLoop) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(signal);
        int requests = 0;
        {
            platform::TerminationSignals ending([&] { ++requests; });
            ASSERT_EQ(::raise(signal), 0);
            EXPECT_EQ(requests, 0);  // the handler only woke the loop
            EXPECT_TRUE(QTest::qWaitFor([&] { return requests == 1; }, 5000));
            // Two signals before the loop runs are one request at least, never lost.
            ASSERT_EQ(::raise(signal), 0);
            ASSERT_EQ(::raise(signal), 0);
            EXPECT_TRUE(QTest::qWaitFor([&] { return requests >= 2; }, 5000));
        }
        EXPECT_EQ(handlerOf(signal), SIG_DFL);
    }
}

// Made before any handler, the object leaves the signals alone; from the first handler on
// they stay handled while it lives, so a signal after the handler is taken away ends
// nothing and is held for the next handler. Once the program ends in order, signals end
// nothing, also after the object has gone.
TEST_F(TerminationSignals, SignalWithoutAHandlerEndsNothing) {
    int requests = 0;
    {
        platform::TerminationSignals ending;
        EXPECT_EQ(handlerOf(SIGTERM), SIG_DFL);
        ending.setRequestHandler([&] { ++requests; });
        ending.setRequestHandler({});
        for (const int signal : {SIGTERM, SIGHUP, SIGINT}) ASSERT_EQ(::raise(signal), 0);
        QCoreApplication::processEvents();
        EXPECT_EQ(requests, 0);
        ending.setRequestHandler([&] { ++requests; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return requests == 1; }, 5000));
        ending.ignoreUntilExit();
        ASSERT_EQ(::raise(SIGTERM), 0);
        QCoreApplication::processEvents();
        EXPECT_EQ(requests, 1);
    }
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        EXPECT_EQ(handlerOf(signal), SIG_IGN);
        ASSERT_EQ(::raise(signal), 0);
        ::signal(signal, SIG_DFL);
    }
}

// As under nohup: the ignored signal stays ignored, the others are handled.
TEST_F(TerminationSignals, SignalIgnoredFromTheStartStaysIgnored) {
    ::signal(SIGHUP, SIG_IGN);
    int requests = 0;
    {
        platform::TerminationSignals ending([&] { ++requests; });
        EXPECT_EQ(handlerOf(SIGHUP), SIG_IGN);
        ASSERT_EQ(::raise(SIGHUP), 0);
        QCoreApplication::processEvents();
        EXPECT_EQ(requests, 0);
        ASSERT_EQ(::raise(SIGTERM), 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return requests == 1; }, 5000));
    }
    EXPECT_EQ(handlerOf(SIGHUP), SIG_IGN);
    ::signal(SIGHUP, SIG_DFL);
}

}  // namespace
