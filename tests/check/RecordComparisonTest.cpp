// The comparison with what the rules saw of the stored copy kept beside the record: on real pages
// it decides exactly as the comparison that applies the rules afresh, and a kept copy is used only
// for exactly the engine, rules and stored bytes it was made from.

#include "check/RecordComparison.h"
#include "RealPages.h"
#include "records/SeenCopy.h"
#include "support/WorkingDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr const char* kRecord = "1.vnt";

class RecordComparison : public InTempDirectory {
protected:
    // What is kept beside a record is kept only while there is a record (the comparisons here
    // are given its page).
    void SetUp() override { WriteWholeFile(kRecord, "http://manual.test/|T|1:1:2025*"); }
};

std::string KeyOf(const PageRules& rules, std::string_view page) {
    return SeenCopyKey(RulesEngineName(), RulesFileText(rules), page);
}

void ExpectSameDecision(const PageComparison& kept, const PageComparison& afresh) {
    EXPECT_EQ(kept.same, afresh.same);
    EXPECT_EQ(kept.failure, afresh.failure);
    if (!kept.same) {
        EXPECT_EQ(kept.seenBefore, afresh.seenBefore);
        EXPECT_EQ(kept.seenNow, afresh.seenNow);
    }
}

TEST_F(RecordComparison, OnRealPagesDecidesAsTheRulesAppliedAfresh) {
    const std::vector<std::filesystem::path> pages =
        RealPages({"scope.html", "new-maintainer.html", "l10n.html", "pkgs.html"});
    ASSERT_FALSE(pages.empty()) << "Debian's developers-reference is missing (make setup)";
    const PageRules ruleSets[] = {
        {{}, {"div.body"}, true, {"^Tip [0-9]+:"}},
        {{"//div[@role='main']//p"}, {}, false, {}},
        {{"//div[@id='price']"}, {}, true, {}}, // matches nothing
    };
    for (const std::filesystem::path& path : pages) {
        const std::string page = ReadFileBytes(path);
        const std::string before = WithNoise(page, 1);
        const std::pair<const char*, std::string> freshPages[] = {
            {"the same bytes", before},
            {"noise", WithNoise(page, 2)},
            {"a real change", WithRealChange(WithNoise(page, 2))},
        };
        for (const PageRules& rules : ruleSets) {
            for (const auto& [name, fresh] : freshPages) {
                SCOPED_TRACE(path.filename().string() + ", " + RulesFileText(rules) + name);
                const PageComparison afresh = ComparePages(rules, before, fresh);
                const RuledPage seenBefore = ApplyRules(rules, before);
                // Nothing kept; what was just kept; the stored copy's own seen text kept.
                std::filesystem::remove("1.vnt.seen");
                ExpectSameDecision(CompareWithRecord(kRecord, rules, before, fresh), afresh);
                if (!afresh.failure.empty()) {
                    EXPECT_FALSE(FileExists("1.vnt.seen")) << "a failure is never kept";
                    continue;
                }
                // What is kept is what the rules see of the page the record holds next.
                const std::string& next = afresh.same ? before : fresh;
                EXPECT_EQ(ReadSeenCopy(kRecord, KeyOf(rules, next)), ApplyRules(rules, next).text);
                ExpectSameDecision(CompareWithRecord(kRecord, rules, before, fresh), afresh);
                ASSERT_EQ(WriteSeenCopy(kRecord, KeyOf(rules, before), seenBefore.text), 0);
                ExpectSameDecision(CompareWithRecord(kRecord, rules, before, fresh), afresh);
            }
        }
    }
}

// A kept copy that lies is believed while it matches (so the tests above do use it), and never once
// the rules, the stored bytes or the engine differ, or the file is cut short.
TEST_F(RecordComparison, AKeptCopyCountsOnlyForExactlyItsRulesPageAndEngine) {
    const std::vector<std::filesystem::path> pages = RealPages({"scope.html"});
    ASSERT_FALSE(pages.empty()) << "Debian's developers-reference is missing (make setup)";
    const std::string page = ReadFileBytes(pages.front());
    const std::string stored = WithNoise(page, 1);
    const std::string fresh = WithNoise(page, 2);
    const PageRules rules{{}, {"div.body"}, true, {"^Tip [0-9]+:"}};
    const PageRules otherRules{{}, {"div.body"}, true, {"^Tip [0-9]+:", "^Served at"}};
    const std::string lie = "not what the page says";

    ASSERT_EQ(WriteSeenCopy(kRecord, KeyOf(rules, stored), lie), 0);
    const PageComparison believed = CompareWithRecord(kRecord, rules, stored, fresh);
    EXPECT_FALSE(believed.same);
    EXPECT_EQ(believed.seenBefore, lie);
    ASSERT_TRUE(ComparePages(rules, stored, fresh).same);

    const std::string otherStored = WithNoise(page, 3);
    struct Case {
        const char* name;
        std::string key;
        const PageRules* rules;
        const std::string* stored;
        bool cutShort;
    };
    const Case cases[] = {
        {"other rules", KeyOf(rules, stored), &otherRules, &stored, false},
        {"another stored copy", KeyOf(rules, stored), &rules, &otherStored, false},
        {"another engine", SeenCopyKey(RulesEngineName() + " next", RulesFileText(rules), stored),
         &rules, &stored, false},
        {"cut short", KeyOf(rules, stored), &rules, &stored, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(WriteSeenCopy(kRecord, c.key, lie), 0);
        if (c.cutShort) {
            const std::string whole = ReadWholeFile("1.vnt.seen");
            WriteWholeFile("1.vnt.seen", whole.substr(0, whole.size() - 1));
        }
        const PageComparison compared = CompareWithRecord(kRecord, *c.rules, *c.stored, fresh);
        ExpectSameDecision(compared, ComparePages(*c.rules, *c.stored, fresh));
        EXPECT_TRUE(compared.same);
        EXPECT_NE(compared.seenBefore, lie);
    }
}

TEST_F(RecordComparison, NothingIsKeptForARecordRemovedMeanwhile) {
    const PageRules rules{{}, {}, true, {}};
    std::filesystem::remove(kRecord);
    const PageComparison compared = CompareWithRecord(kRecord, rules, "<p>one</p>", "<p>two</p>");
    EXPECT_FALSE(compared.same);
    EXPECT_FALSE(FileExists("1.vnt.seen"));
}

} // namespace
