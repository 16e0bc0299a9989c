// The history's own failures keep their reasons: a listing that fails says why, and an old
// version that cannot be removed stays counted, so no newer one goes in its place.
#include "platform/system/LocalDate.h"
#include "records/PageHistory.h"
#include "records/RecordRead.h"
#include "records/RecordWriter.h"
#include "support/FailingCall.h"
#include "support/WorkingDirectory.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr HistoryLimits kKeepAll{20, std::uint64_t{1} << 30};

class HistoryFault : public InTempDirectory {
protected:
    void SetUp() override {
        SetLocalDateSourceForTesting([] { return CalendarDate{8, 12, 2025}; });
        ASSERT_EQ(WriteNewRecord("http://e.test/", "page 0"), 0);
    }
    void TearDown() override { SetLocalDateSourceForTesting({}); }

    // Replaces record 1 with the page as a check does, keeping the copy it replaces.
    static WriteResult Replace(const std::string& page, const HistoryLimits& limits,
                               OldCopy* copy = nullptr) {
        RecordReading<StoredRecord> record = ReadRecordForCheck("1.vnt");
        EXPECT_TRUE(record.value);
        const std::string_view text = record.value->text;
        OldCopy old{text.substr(0, text.size() - record.value->fields.page.size()),
                    record.value->fields.page, limits};
        const WriteResult result =
            RewriteRecord("http://e.test/", page, "1.vnt", record.value->file, &old);
        if (copy != nullptr) {
            *copy = old;
        }
        return result;
    }
    // The pages of the kept versions, newest first.
    static std::vector<std::string> KeptPages() {
        std::vector<std::string> pages;
        const RecordReading<std::vector<PageVersion>> versions = ListPageVersions("1.vnt");
        EXPECT_FALSE(versions.Failed()) << versions.failure;
        for (const PageVersion& version : *versions.value) {
            if (version.number > 1) {
                pages.emplace_back(ReadPageVersion(version).value->fields.page);
            }
        }
        return pages;
    }
};

TEST_F(HistoryFault, AnOldVersionThatCannotBeRemovedKeepsTheNewerOnesAndIsTold) {
    for (int i = 1; i <= 3; ++i) {
        ASSERT_EQ(Replace("page " + std::to_string(i), kKeepAll), WriteResult::Stored());
    }
    ASSERT_EQ(KeptPages(), (std::vector<std::string>{"page 2", "page 1", "page 0"}));
    // The oldest cannot be removed: the record is stored all the same, the reason is kept for
    // the caller, and the newer versions stay rather than go in its place.
    OldCopy copy;
    {
        FailingCall failing("unlinkat", EACCES, true);
        SKIP_WITHOUT_FAULT_POINTS(failing);
        EXPECT_EQ(Replace("page 4", {2, kKeepAll.maxBytes}, &copy), WriteResult::Stored());
    }
    EXPECT_EQ(copy.pruneError, EACCES);
    EXPECT_EQ(KeptPages(), (std::vector<std::string>{"page 3", "page 2", "page 1", "page 0"}));
    // Once it can be, the next pruning brings the history within its limits.
    EXPECT_EQ(PruneVersions("1.vnt", {2, kKeepAll.maxBytes}), 0);
    EXPECT_EQ(KeptPages(), (std::vector<std::string>{"page 3", "page 2"}));
}

TEST_F(HistoryFault, AHistoryThatCannotBeListedKeepsNothingAndSaysWhy) {
    ASSERT_EQ(Replace("page 1", kKeepAll), WriteResult::Stored());
    OldCopy copy;
    WriteResult result = WriteResult::Stored();
    {
        FailingCall failing("readdir", EACCES);
        SKIP_WITHOUT_FAULT_POINTS(failing);
        result = Replace("page 2", kKeepAll, &copy);
    }
    EXPECT_EQ(result, WriteResult::FromError(EACCES));
    EXPECT_TRUE(copy.keepFailed);
    EXPECT_EQ(ReadRecordForCheck("1.vnt").value->fields.page, "page 1");
    EXPECT_EQ(KeptPages(), std::vector<std::string>{"page 0"});
}

} // namespace
