// Stop pressed at each point of the window's check: the records rewritten are exactly those whose
// lines were shown, the pages fetched ahead are dropped, and no temporary file is left.

#include "JobFixture.h"
#include "jobs/CheckAllJob.h"
#include "platform/system/FileFind.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <thread>

namespace {

bool TemporaryPresent() {
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        if (entry.path().filename().string().rfind(".vnttmp-", 0) == 0) {
            return true;
        }
    }
    return false;
}

class CheckAllStop : public JobTest {};

} // namespace

TEST_F(CheckAllStop, RecordsRewrittenAreExactlyThoseWhoseLinesWereShown) {
    enum class Point { InHandAwaited, WithResultsHeldAhead, WhileRewriting };
    struct Case {
        const char* name;
        Point point;
        std::size_t linesShown; // lines shown when the check has ended
    };
    const Case cases[] = {
        // The record in hand is still reported, as the window always did; none after it.
        {"before any result, the pages behind the first fetched ahead", Point::InHandAwaited, 1},
        {"after two lines, while the second waits in the slot", Point::WithResultsHeldAhead, 2},
        {"while the record in hand is being rewritten", Point::WhileRewriting, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            std::filesystem::remove_all(entry.path()); // a history folder too
        }
        ResetRunState();
        window.lines.clear();
        HeldPage held;
        for (int i = 1; i <= 6; ++i) {
            WriteWholeFile(std::to_string(i) + ".vnt", "");
        }
        std::vector<std::string> order;
        CFileFind finder;
        for (bool more = finder.FindFile("*.vnt"); more;) {
            more = finder.FindNextFile();
            order.push_back(finder.GetFileName());
        }
        finder.Close();
        const std::string big(24 * 1024 * 1024, 'n');
        std::vector<std::string> urls;
        std::vector<std::string> stored;
        for (std::size_t i = 0; i < order.size(); ++i) {
            std::string url = site.Url("/" + std::to_string(i));
            if (i == 0 && c.point == Point::InHandAwaited) {
                url = held.Url();
            }
            site.Serve("/" + std::to_string(i),
                       i == 0 && c.point == Point::WhileRewriting ? big : "new page");
            urls.push_back(url);
            stored.push_back(url + "|untitle|1:1:2025*old page");
            WriteWholeFile(order[i], stored.back());
        }

        StartCheckAll();
        switch (c.point) {
        case Point::InHandAwaited:
            WaitUntil([&] {
                int fetched = held.Requests();
                for (std::size_t i = 1; i < order.size(); ++i) {
                    fetched += site.Requests("/" + std::to_string(i));
                }
                return fetched == static_cast<int>(order.size());
            });
            RequestStop();
            held.Release();
            break;
        case Point::WithResultsHeldAhead:
            WaitUntil([] { return !g_strStatus.IsEmpty(); });
            Tick();
            WaitUntil([] { return !g_strStatus.IsEmpty(); });
            RequestStop();
            break;
        case Point::WhileRewriting:
            WaitUntil([&] { return TemporaryPresent() || ReadWholeFile(order[0]) != stored[0]; });
            RequestStop();
            break;
        }
        // The window shows the line in the slot only once the job has ended.
        WaitUntil([] { return g_bWorkerBusy.load() == 0; });
        WaitForJobToEnd();

        EXPECT_EQ(window.lines.size(), c.linesShown);
        for (std::size_t i = 0; i < order.size(); ++i) {
            const bool shown = std::find(window.lines.begin(), window.lines.end(),
                                         "UPDATE " + urls[i]) != window.lines.end();
            const bool rewritten = ReadWholeFile(order[i]) != stored[i];
            EXPECT_EQ(rewritten, shown) << order[i];
            EXPECT_EQ(shown, i < c.linesShown) << order[i];
        }
        EXPECT_FALSE(TemporaryPresent());
    }
}
