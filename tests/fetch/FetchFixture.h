#pragma once
// Shared by the page fetch tests: a read watch of the test's own, the layer's default limits, no
// proxy variables (so loopback traffic never goes elsewhere), and a check that the fetch closed
// every internet handle it opened.

#include "fetch/PageFetch.h"
#include "platform/inet/InternetHandle.h"
#include "platform/inet/InternetOptions.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <map>
#include <optional>
#include <string>
#include <thread>

// Stands for the front end that watches a fetch's reads: counts the reads begun and the pages
// received, and calls a read too late once the test says so.
struct TestReadWatch final : ReadWatch {
    std::atomic<int> reads{0};
    std::atomic<int> pagesReceived{0};
    std::atomic<bool> late{false};
    void ReadBegins() override { ++reads; }
    bool ReadCameTooLate() override { return late.load(); }
    void PageReceived() override { ++pagesReceived; }
};

class FetchTest : public ::testing::Test {
protected:
    void SetUp() override { SetInternetOptions(InternetOptions{}); }
    void TearDown() override {
        EXPECT_EQ(OpenHandleCount(), 0u) << "a fetch left internet handles open";
        SetInternetOptions(InternetOptions{});
    }

    // Options with a layer time-out short enough for a test to wait out.
    static void UseShortIdleTimeout() {
        InternetOptions options;
        options.idleTimeout = std::chrono::seconds(1);
        SetInternetOptions(options);
    }

    WithoutProxyVariables m_environment;
    TestReadWatch m_watch;
};

// Runs PageFetch on a thread of its own, as a job does, while the test plays the window.
inline std::future<FetchOutcome> FetchInBackground(const std::string& url, ReadWatch& watch) {
    return std::async(std::launch::async, [url, &watch] { return PageFetch(url, &watch); });
}

// Waits until the fetch has begun `reads` reads. Bounded so a fault fails the test instead of
// hanging it; the bound is never reached by a working fetch.
inline bool WaitForReadsBegun(const TestReadWatch& watch, int reads) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (watch.reads.load() < reads) {
        if (std::chrono::steady_clock::now() > giveUp) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

inline std::string RepeatedText(std::size_t length, char first = 'a') {
    std::string text(length, ' ');
    for (std::size_t i = 0; i < length; ++i) {
        text[i] = static_cast<char>(first + static_cast<char>(i % 26));
    }
    return text;
}
