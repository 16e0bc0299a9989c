// Rules from the command line, end to end: a real manual page served with fresh noise on every
// request; with rules the noise is no change and a real change is, without rules every check
// alarms; rules set, shown, tried and cleared; a rule that matches nothing is said.

#include "CliProcess.h"
#include "check/RealPages.h"
#include "support/LoopbackServer.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

#include <atomic>

using ::testing::HasSubstr;

namespace {

// Serves one real page, different in its noise on every request, with a real change on demand.
class NoisyPage {
public:
    NoisyPage() {
        const std::vector<std::filesystem::path> pages = RealPages({"scope.html"});
        if (!pages.empty()) {
            m_page = ReadFileBytes(pages.front());
        }
        m_server.Routes().Get(
            "/page", [this](const httplib::Request&, httplib::Response& response) {
                const std::string noisy = WithNoise(m_page, ++m_visits);
                response.set_content(m_changed ? WithRealChange(noisy) : noisy, "text/html");
            });
        m_server.Start();
    }
    bool Available() const { return !m_page.empty(); }
    std::string Url() const { return m_server.Url("/page"); }
    void ChangeForReal() { m_changed = true; }

private:
    std::string m_page;
    std::atomic<int> m_visits{0};
    std::atomic<bool> m_changed{false};
    LoopbackServer m_server;
};

constexpr const char* kNoiseRules[] = {"--css", "div.body", "--text", "--ignore", "^Tip [0-9]+:"};

class CliRules : public InTempDirectory {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_page.Available()) << "Debian's developers-reference is missing (make setup)";
    }
    CliRun Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-C", m_workingDirectory.Path()});
        return RunCliProgram(arguments);
    }
    // Adds the page as record 1 with the noise rules and as record 2 without rules.
    void AddBoth() {
        std::vector<std::string> add{"add"};
        add.insert(add.end(), std::begin(kNoiseRules), std::end(kNoiseRules));
        add.push_back(m_page.Url());
        const CliRun ruled = Run(add);
        ASSERT_EQ(ruled.exitStatus, 0) << ruled.err;
        const CliRun plain = Run({"add", "--again", m_page.Url()});
        ASSERT_EQ(plain.exitStatus, 0) << plain.err;
    }
    NoisyPage m_page;
};

TEST_F(CliRules, NoiseIsNoChangeUnderRulesButARealChangeIs) {
    AddBoth();
    EXPECT_THAT(ReadWholeFile("1.vnt.rules"),
                HasSubstr("css div.body\ntext\nignore ^Tip [0-9]+:\n"));
    EXPECT_FALSE(FileExists("2.vnt.rules"));

    // Noise only: the ruled record is the same, the other one alarms on every check.
    for (int check = 0; check < 2; ++check) {
        const CliRun run = Run({"check"});
        EXPECT_EQ(run.exitStatus, 1) << run.err;
        EXPECT_EQ(run.out, m_page.Url() + "\nUPDATE " + m_page.Url() + "\n");
    }

    m_page.ChangeForReal();
    const CliRun run = Run({"check", "--diff"});
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_THAT(run.out, ::testing::StartsWith("UPDATE " + m_page.Url() + "\n"));
    // The diff shows what was compared: readable text, not the page's markup.
    EXPECT_THAT(run.out, HasSubstr("1.vnt (stored, with its rules)"));
    EXPECT_THAT(run.out, ::testing::ContainsRegex("\n\\+Newly "));
    // The record keeps the page as it came.
    EXPECT_THAT(ReadWholeFile("1.vnt"), HasSubstr("<div class=\"body\" role=\"main\">"));

    const CliRun list = Run({"list"});
    EXPECT_THAT(list.out,
                ::testing::ContainsRegex("^1\t[^\n]*\trules\n2\t[^\t\n]*\t[^\t\n]*\t[^\t\n]*\n$"));
}

TEST_F(CliRules, ARuleThatMatchesNothingIsAnErrorWithTheRuleNamed) {
    AddBoth();
    // Such a rule is not taken; one kept from before the page lost what it matched fails the
    // check.
    const CliRun set = Run({"rules", "1", "--select", "//div[@id='price']"});
    EXPECT_EQ(set.exitStatus, 2);
    EXPECT_THAT(set.err,
                HasSubstr("the rule --select //div[@id='price'] matches nothing on this page"));
    WriteWholeFile("1.vnt.rules", "select //div[@id='price']\n");

    const CliRun run = Run({"check"});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_THAT(run.out, ::testing::StartsWith("Error " + m_page.Url() + "\n"));
    EXPECT_THAT(run.err,
                HasSubstr("the rule --select //div[@id='price'] matches nothing on this page"));

    // Adding a page with such a rule stores nothing of it.
    const std::string before = ReadWholeFile("name.ini");
    const CliRun add = Run({"add", "--again", "--css", "#price", m_page.Url()});
    EXPECT_EQ(add.exitStatus, 2);
    EXPECT_EQ(add.out, "");
    EXPECT_THAT(add.err, HasSubstr("the rule --css #price matches nothing on this page"));
    EXPECT_FALSE(FileExists("3.vnt"));
    EXPECT_EQ(ReadWholeFile("name.ini"), before);
}

// A rule refused leaves the rules file as it was, byte for byte (and makes none for a page
// without rules); nothing is stored for the page either.
TEST_F(CliRules, RefusedRulesLeaveTheRulesFileAsItWas) {
    AddBoth();
    const std::string rules = ReadWholeFile("1.vnt.rules");
    const std::string stored = ReadWholeFile("1.vnt");
    struct Case {
        std::vector<std::string> arguments;
        std::string error;
    };
    const Case cases[] = {
        {{"--css", "#nosuch"}, "the rule --css #nosuch matches nothing on this page"},
        {{"--add", "--css", "#nosuch"}, "the rule --css #nosuch matches nothing on this page"},
        {{"--text", "--select", "//nosuch"}, "the rule --select //nosuch matches nothing"},
        {{"--ignore", "^a\n^b"}, "the rule --ignore cannot hold a line end"},
        {{"--add", "--select", "//p\r"}, "the rule --select cannot hold a line end"},
        {{"--ignore", ""}, "the rule --ignore needs a value"},
        {{"--add"}, "--add needs the rules to add"},
        {{"--add", "--clear"}, "--clear takes no rules beside it"},
    };
    for (const char* record : {"1", "2"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(record) + " " + c.arguments.back());
            std::vector<std::string> arguments{"rules", record};
            arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
            const CliRun run = Run(arguments);
            EXPECT_EQ(run.exitStatus, 2);
            EXPECT_EQ(run.out, "");
            EXPECT_THAT(run.err, HasSubstr(c.error));
            EXPECT_EQ(ReadWholeFile("1.vnt.rules"), rules);
            EXPECT_FALSE(FileExists("2.vnt.rules"));
        }
    }
    EXPECT_EQ(ReadWholeFile("1.vnt"), stored);
    // A page is not added with a rule its rules file cannot keep.
    const CliRun add = Run({"add", "--again", "--ignore", "x\ny", m_page.Url()});
    EXPECT_EQ(add.exitStatus, 2);
    EXPECT_THAT(add.err, HasSubstr("the rule --ignore cannot hold a line end"));
    EXPECT_FALSE(FileExists("3.vnt"));
}

// --add extends the page's rules; rules that replace others print both sets.
TEST_F(CliRules, AddExtendsTheRulesAndAReplacementShowsBeforeAndAfter) {
    AddBoth();
    CliRun run = Run({"rules", "1", "--add", "--ignore", "^Note", "--text"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "--css div.body\n--text\n--ignore ^Tip [0-9]+:\n--ignore ^Note\n");
    EXPECT_EQ(Run({"rules", "1"}).out, run.out);

    run = Run({"rules", "2", "--add", "--text"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "--text\n") << "a page without rules gets the rules given";

    run = Run({"rules", "1", "--css", "div.body"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "before:\n--css div.body\n--text\n--ignore ^Tip [0-9]+:\n--ignore "
                       "^Note\nafter:\n--css div.body\n");
    EXPECT_EQ(Run({"rules", "1"}).out, "--css div.body\n");
    // The same rules again replace nothing.
    EXPECT_EQ(Run({"rules", "1", "--css", "div.body"}).out, "--css div.body\n");
}

TEST_F(CliRules, RulesAreShownReplacedTriedAndCleared) {
    AddBoth();
    CliRun run = Run({"rules", "1"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "--css div.body\n--text\n--ignore ^Tip [0-9]+:\n");

    // A rule that cannot be applied is refused, and the old rules stay.
    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"rules", "1", "--css", "a:hover"}, "uses ':hover', which is not supported"},
        {{"rules", "1", "--select", "//p["}, "is no valid XPath"},
        {{"rules", "1", "--ignore", "(x"}, "is no valid pattern"},
        {{"rules", "1", "--select"}, "--select: 1 required XPATH missing"},
        {{"rules", "1", "--clear", "--text"}, "--clear takes no rules beside it"},
        {{"rules", "9", "--text"}, "no record number 9"},
    };
    for (const auto& [arguments, error] : refused) {
        run = Run(arguments);
        EXPECT_EQ(run.exitStatus, 2) << arguments.back();
        EXPECT_THAT(run.err, HasSubstr(error)) << arguments.back();
    }
    ASSERT_EQ(Run({"remove", "2"}).exitStatus, 0);
    EXPECT_EQ(Run({"rules", m_page.Url()}).out, "--css div.body\n--text\n--ignore ^Tip [0-9]+:\n")
        << "looked up by address";

    // What the comparison sees, of the stored copy, raw, and of the page as fetched now.
    run = Run({"show", "1"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("Scope of This Document"));
    EXPECT_THAT(run.out, ::testing::Not(HasSubstr("<p>")));
    EXPECT_THAT(run.out, ::testing::Not(HasSubstr("Tip ")));
    run = Run({"show", "1", "--raw"});
    EXPECT_THAT(run.out, HasSubstr("<aside class=\"rotating\">Tip 1: read the manual</aside>"));
    m_page.ChangeForReal();
    run = Run({"show", "1", "--fetch"});
    EXPECT_THAT(run.out, HasSubstr("Newly "));
    EXPECT_THAT(ReadWholeFile("1.vnt"), ::testing::Not(HasSubstr("Newly "))) << "nothing stored";

    run = Run({"rules", "1", "--clear"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(FileExists("1.vnt.rules"));
    // Without rules the comparison sees the stored page whole.
    std::string raw = Run({"show", "1", "--raw"}).out;
    if (raw.empty() || raw.back() != '\n') {
        raw += '\n';
    }
    EXPECT_EQ(Run({"show", "1"}).out, raw);
}

} // namespace
