// The window's add and check jobs against a real web server (nginx with gzip, ETag and
// Last-Modified): a page added in the window is asked for again only if it changed, the server's
// "not modified" shows the unchanged line, and a page changed after such a check is seen.

#include "JobFixture.h"
#include "jobs/AddPageJob.h"
#include "jobs/CheckAllJob.h"
#include "support/NginxServer.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

using ::testing::ElementsAre;

class CheckAllJobWireTest : public JobTest {
protected:
    // Writes a served page dated `age` ago, so its Last-Modified lies before the answer's date.
    void ServePage(const std::string& name, const std::string& text,
                   std::filesystem::file_time_type::duration age) {
        const std::string path = nginx.Root() + name;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - age);
    }
    static std::string StoredPage(const std::string& record) {
        const std::string text = ReadWholeFile(record);
        return text.substr(text.find('*') + 1);
    }
    // Runs one check in the window and returns its lines.
    std::vector<std::string> CheckAll() {
        window.lines.clear();
        StartCheckAll();
        WaitForJobToEnd();
        return window.lines;
    }
    int LastStatus() const {
        const auto answers = nginx.Answers();
        return answers.empty() ? 0 : answers.back().status;
    }

    NginxServer nginx;
};

TEST_F(CheckAllJobWireTest, NotModifiedShowsTheUnchangedLineAndALaterChangeIsSeen) {
    if (!nginx.Failure().empty()) {
        GTEST_SKIP() << nginx.Failure();
    }
    const std::string first = "<title>Watched</title>" + std::string(20000, 'w');
    ServePage("/page.html", first, std::chrono::hours(2));
    const std::string url = nginx.Url("/page.html");
    StartAddPage(url);
    WaitForJobToEnd();
    ASSERT_THAT(window.lines, ElementsAre(url));
    ASSERT_EQ(StoredPage("1.vnt"), first);
    const std::string added = ReadWholeFile("1.vnt");

    // Unchanged: the server answers "not modified" and the record is left as it was.
    EXPECT_THAT(CheckAll(), ElementsAre(url));
    EXPECT_EQ(LastStatus(), 304);
    EXPECT_EQ(ReadWholeFile("1.vnt"), added);

    // Changed after that check: the whole page comes, is shown as changed and stored.
    const std::string second = "<title>Watched</title>" + std::string(20000, 'c');
    ServePage("/page.html", second, std::chrono::hours(1));
    EXPECT_THAT(CheckAll(), ElementsAre("UPDATE " + url));
    EXPECT_EQ(LastStatus(), 200);
    EXPECT_EQ(StoredPage("1.vnt"), second);

    // The new copy's validators go out next: unchanged again, and "not modified".
    EXPECT_THAT(CheckAll(), ElementsAre(url));
    EXPECT_EQ(LastStatus(), 304);
    EXPECT_EQ(StoredPage("1.vnt"), second);
    EXPECT_EQ(nginx.Answers().size(), 4u);
}

} // namespace
