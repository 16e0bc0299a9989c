// The report as a browser draws it: a real manual page with a paragraph changed, read through
// its kept version and its rules, drawn by headless Chromium. Skipped where Chromium or the
// manual is missing. With VARNOLT_REPORT_PNG set, the picture is also copied there (how
// docs/report.png is made).
#include "changes/ChangeReport.h"
#include "changes/LastChange.h"
#include "check/RealPages.h"
#include "records/PageHistory.h"
#include "records/PageRules.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// The first of the browser's names found on the PATH; empty when none is.
std::string FindChromium() {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    for (const char* name : {"chromium", "chromium-browser"}) {
        std::size_t start = 0;
        while (start <= folders.size()) {
            const std::size_t end = std::min(folders.find(':', start), folders.size());
            const std::string candidate = folders.substr(start, end - start) + "/" + name;
            if (::access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
            start = end + 1;
        }
    }
    return {};
}

// Runs the program to its end, its output dropped; killed after the bound. Yields its status.
int RunQuietly(const std::vector<std::string>& arguments, std::chrono::seconds bound) {
    // Made before the fork: the child of this threaded process may not allocate.
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The width and height a PNG file's header gives.
std::pair<unsigned, unsigned> PngSize(const std::string& png) {
    const auto big = [&](std::size_t at) {
        return (static_cast<unsigned>(static_cast<unsigned char>(png[at])) << 24) |
               (static_cast<unsigned>(static_cast<unsigned char>(png[at + 1])) << 16) |
               (static_cast<unsigned>(static_cast<unsigned char>(png[at + 2])) << 8) |
               static_cast<unsigned>(static_cast<unsigned char>(png[at + 3]));
    };
    if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) {
        return {0, 0};
    }
    return {big(16), big(20)};
}

class ReportPicture : public InTempDirectory {};

TEST_F(ReportPicture, ARealChangedPageReadsInABrowser) {
    const std::string chromium = FindChromium();
    if (chromium.empty()) {
        GTEST_SKIP() << "no chromium on the PATH to draw the report with";
    }
    const std::vector<std::filesystem::path> pages = RealPages({"scope.html"});
    if (pages.empty()) {
        GTEST_SKIP() << "Debian's developers-reference manual is not installed";
    }
    const std::string page = ReadFileBytes(pages.front());
    const std::size_t paragraph = page.find("<p>", page.find("role=\"main\""));
    ASSERT_NE(paragraph, std::string::npos);
    std::string changed = page;
    const std::size_t end = changed.find("</p>", paragraph);
    changed.replace(paragraph + 3, end - paragraph - 3,
                    "This reference is kept up to date by the Debian developers, and it now "
                    "says so in its first paragraph.");

    // The page as watched: its copy kept, the record holding the changed one, compared as text.
    const std::string head = "https://www.debian.org/doc/manuals/developers-reference/scope.html"
                             "|1. Scope of This Document — Developer's Reference|1:12:2026*";
    WriteWholeFile("1.vnt", head + page);
    // The copy was taken a day before the change was found.
    std::filesystem::last_write_time("1.vnt", std::filesystem::file_time_type::clock::now() -
                                                  std::chrono::hours(26));
    ASSERT_EQ(KeepVersion("1.vnt", ReadWholeFile("1.vnt"), HistoryLimits{}), 0);
    WriteWholeFile("1.vnt", head + changed);
    PageRules rules;
    rules.css = {"div.body"};
    rules.text = true;
    ASSERT_EQ(WriteRecordRules("1.vnt", rules), 0);
    const PageChange change = ReadLastChange("1.vnt");
    ASSERT_EQ(change.failure, "");
    WriteWholeFile("report.html", ChangeReportHtml({change}));

    const std::string picture = m_workingDirectory.Path() + "/report.png";
    const int status = RunQuietly(
        {chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--no-first-run", "--hide-scrollbars",
         "--user-data-dir=" + m_workingDirectory.Path() + "/profile", "--screenshot=" + picture,
         "--window-size=1200,900", "file://" + m_workingDirectory.Path() + "/report.html"},
        std::chrono::seconds(100));
    ASSERT_EQ(status, 0) << "chromium could not draw the report";
    const std::string png = ReadFileBytes(picture);
    EXPECT_EQ(PngSize(png), (std::pair<unsigned, unsigned>{1200, 900}));
    // A page of text and colour, not a blank one: a blank 1200x900 picture compresses to a few
    // kilobytes.
    EXPECT_GT(png.size(), 30000u);
    if (const char* copy = std::getenv("VARNOLT_REPORT_PNG"); copy != nullptr && *copy != '\0') {
        WriteWholeFile(copy, png);
    }
}

} // namespace
