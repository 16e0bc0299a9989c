// The one check decision with a page's rules: noise under the rules is no change, a real change
// is, the record keeps the page as it came, and rules that cannot be applied say why.

#include "RealPages.h"
#include "check/CheckPage.h"
#include "platform/system/ExclusiveFile.h"
#include "platform/system/LocalDate.h"
#include "records/PageRules.h"
#include "support/WorkingDirectory.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;

constexpr const char* kUrl = "http://manual.test/scope.html";

class CheckPageRules : public InTempDirectory {
protected:
    void SetUp() override {
        SetLocalDateSourceForTesting([] { return CalendarDate{8, 12, 2025}; });
        const std::vector<std::filesystem::path> pages = RealPages({"scope.html"});
        ASSERT_FALSE(pages.empty()) << "Debian's developers-reference is missing (make setup)";
        m_page = ReadFileBytes(pages.front());
    }
    void TearDown() override { SetLocalDateSourceForTesting({}); }

    // Stores the page as record 1 and checks it against the fresh page.
    PageCheck Check(const std::string& stored, const std::string& fresh) {
        WriteWholeFile("1.vnt", Record(stored));
        ExclusiveFile reader;
        EXPECT_EQ(reader.OpenForReading("1.vnt"), 0);
        const FileIdentity file = reader.Identity();
        reader.Close();
        const std::string record = Record(stored);
        return CheckFetchedPage(kUrl, "1.vnt",
                                std::string_view(record).substr(0, record.size() - stored.size()),
                                stored, file, FetchOutcome::Received(fresh));
    }
    static std::string Record(const std::string& page) {
        return std::string(kUrl) + "|T|1:1:2025*" + page;
    }

    std::string m_page;
};

struct RulesCheck {
    const char* name;
    const char* rulesFile; // empty: no rules
    int fresh;             // 0: noise only, 1: a real change
    PageCheck::Result result;
};

TEST_F(CheckPageRules, NoiseIsNoChangeUnderRulesAndARealChangeIsOne) {
    const RulesCheck cases[] = {
        {"no rules, noise", "", 0, PageCheck::Result::Changed},
        {"no rules, change", "", 1, PageCheck::Result::Changed},
        {"rules, noise", "css div.body\ntext\nignore ^Tip [0-9]+:\n", 0, PageCheck::Result::Same},
        {"rules, change", "css div.body\ntext\nignore ^Tip [0-9]+:\n", 1,
         PageCheck::Result::Changed},
        {"select only, noise", "select //div[@role='main']//p\n", 0, PageCheck::Result::Same},
        {"select only, change", "select //div[@role='main']//p\n", 1, PageCheck::Result::Changed},
    };
    for (const RulesCheck& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove("1.vnt.rules");
        if (*c.rulesFile != '\0') {
            WriteWholeFile("1.vnt.rules", c.rulesFile);
        }
        const std::string stored = WithNoise(m_page, 1);
        const std::string fresh =
            c.fresh == 0 ? WithNoise(m_page, 2) : WithRealChange(WithNoise(m_page, 2));
        const PageCheck check = Check(stored, fresh);
        EXPECT_EQ(check.result, c.result) << check.reason;
        if (c.result == PageCheck::Result::Same) {
            EXPECT_EQ(check.line, kUrl);
            EXPECT_EQ(ReadWholeFile("1.vnt"), Record(stored));
        } else {
            EXPECT_EQ(check.line, std::string("UPDATE ") + kUrl);
            // The record keeps the page as the server sent it, whatever the rules.
            const std::string record = ReadWholeFile("1.vnt");
            EXPECT_EQ(record.substr(0, std::string(kUrl).size() + 1), std::string(kUrl) + "|");
            EXPECT_TRUE(record.ends_with("|8:12:2025*" + fresh));
            EXPECT_EQ(check.ruled, *c.rulesFile != '\0');
            if (check.ruled) {
                EXPECT_THAT(check.seenNow, HasSubstr("Newly "));
                EXPECT_THAT(check.seenBefore, ::testing::Not(HasSubstr("Newly ")));
            }
        }
    }
}

TEST_F(CheckPageRules, RulesThatCannotBeAppliedFailTheCheckAndKeepTheRecord) {
    const std::pair<const char*, const char*> cases[] = {
        {"select //div[@id='price']\n",
         "the rule --select //div[@id='price'] matches nothing on this page"},
        {"css div.body\nsort\n", "the rules file 1.vnt.rules cannot be understood: line 2"},
        {"css a:hover\n", "uses ':hover', which is not supported"},
    };
    for (const auto& [rulesFile, reason] : cases) {
        SCOPED_TRACE(rulesFile);
        WriteWholeFile("1.vnt.rules", rulesFile);
        const std::string stored = WithNoise(m_page, 1);
        const PageCheck check = Check(stored, WithRealChange(WithNoise(m_page, 2)));
        EXPECT_EQ(check.result, PageCheck::Result::Failed);
        EXPECT_EQ(check.line, std::string("Error ") + kUrl);
        EXPECT_THAT(check.reason, HasSubstr(reason));
        EXPECT_TRUE(check.rulesFailed);
        EXPECT_EQ(ReadWholeFile("1.vnt"), Record(stored));
    }
}

// The raw page is kept, so new rules apply at once to the stored copy.
TEST_F(CheckPageRules, ChangedRulesTakeEffectAtOnceAgainstTheStoredCopy) {
    const std::string stored = WithNoise(m_page, 1);
    const std::string fresh = WithNoise(m_page, 2);
    EXPECT_EQ(Check(stored, fresh).result, PageCheck::Result::Changed);
    WriteWholeFile("1.vnt.rules", "select //div[@role='main']//p\n");
    EXPECT_EQ(Check(stored, fresh).result, PageCheck::Result::Same);
    std::filesystem::remove("1.vnt.rules");
    EXPECT_EQ(Check(stored, fresh).result, PageCheck::Result::Changed);
}

} // namespace
