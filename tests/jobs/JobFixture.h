#pragma once
// Runs the add and check jobs for real, against a loopback web site whose pages a test can change,
// with the window's half of the handshake played by a fake list that the test ticks.

#include "platform/system/LocalDate.h"
#include "runstate/RunState.h"
#include "runstate/Tick.h"
#include "support/LoopbackServer.h"
#include "support/RawSocketServer.h"
#include "support/ScopedEnvironment.h"
#include "support/WorkingDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Pages served at paths, changeable while the server runs; every request is counted.
class TestSite {
public:
    TestSite() {
        m_server.Routes().Get(R"(/.*)",
                              [this](const httplib::Request& request, httplib::Response& response) {
                                  std::lock_guard lock(m_guard);
                                  ++m_requests[request.path];
                                  const auto page = m_pages.find(request.path);
                                  if (page == m_pages.end()) {
                                      response.status = 404;
                                      return;
                                  }
                                  response.status = page->second.status;
                                  response.set_content(page->second.body, "text/html");
                              });
        m_server.Start();
    }

    void Serve(const std::string& path, std::string body, int status = 200) {
        std::lock_guard lock(m_guard);
        m_pages[path] = Page{status, std::move(body)};
    }
    int Requests(const std::string& path) {
        std::lock_guard lock(m_guard);
        return m_requests[path];
    }
    std::string Url(const std::string& path) const { return m_server.Url(path); }

private:
    struct Page {
        int status;
        std::string body;
    };
    std::mutex m_guard;
    std::map<std::string, Page> m_pages;
    std::map<std::string, int> m_requests;
    LoopbackServer m_server;
};

// A page whose body the server holds back until the test releases it, so a job is sure to be
// running while the test acts.
class HeldPage {
public:
    HeldPage()
        : m_server([](RawConnection& peer) {
              peer.ReadRequestHead();
              peer.Send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\nfirst part ");
              peer.WaitForRelease();
              peer.Send("second part");
          }) {}
    std::string Url() const { return m_server.Url("/held"); }
    void Release() { m_server.Release(); }
    int Requests() const { return m_server.ConnectionCount(); }

private:
    RawSocketServer m_server;
};

// The window as the tick sees it: lines in arrival order (sorting is the list box's own affair).
struct FakeWindow : TickLineSink, TickProgress {
    std::vector<std::string> lines;
    void AddLine(const std::string& line) override { lines.push_back(line); }
    void SetPos(int) override {}
    void StepIt() override {}
};

class JobTest : public InTempDirectory {
protected:
    void SetUp() override {
        ResetRunState();
        SetLocalDateSourceForTesting([] { return CalendarDate{8, 12, 2025}; });
    }
    void TearDown() override {
        WaitForJobToEnd();
        SetLocalDateSourceForTesting({});
        ResetRunState();
    }

    void Tick() { RunStateTick(window, window); }

    // Plays the window until the job has ended and its last line is shown. A tick is given
    // only when a line waits, so idle ticks never pile up into a time-out.
    void WaitForJobToEnd() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (g_bWorkerBusy.load() != 0 || !g_strStatus.IsEmpty()) {
            if (!g_strStatus.IsEmpty()) {
                Tick();
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (std::chrono::steady_clock::now() > deadline) {
                FAIL() << "the job did not end";
            }
        }
    }

    // Waits, without ticking, until the condition holds (bounded).
    template <typename Condition> void WaitUntil(Condition condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!condition()) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "waited in vain";
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    WithoutProxyVariables noProxy;
    TestSite site;
    FakeWindow window;
};
