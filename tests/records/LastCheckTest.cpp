#include "records/LastCheck.h"
#include "platform/system/LocalDate.h"
#include "support/WorkingDirectory.h"

#include <gtest/gtest.h>

namespace {

class LastCheckTest : public InTempDirectory {
protected:
    void TearDown() override { SetLocalDateSourceForTesting({}); }
};

TEST_F(LastCheckTest, WriteReplacesWhateverTheStampHeld) {
    SetLocalDateSourceForTesting([] { return CalendarDate{8, 12, 2025}; });
    WriteWholeFile("time.ini", "31:12:2025 and more text");
    WriteLastCheck();
    EXPECT_EQ(ReadWholeFile("time.ini"), "8:12:2025");
}

TEST_F(LastCheckTest, ReadTakesAtMostTenBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"31:12:2025", "31:12:2025"},
        {"8:12:2025", "8:12:2025"},
        {"", ""},
        {"31:12:2025 edited by hand", "31:12:2025"}};
    for (const auto& [stored, read] : cases) {
        WriteWholeFile("time.ini", stored);
        std::string lastCheck = "before";
        ReadLastCheck(lastCheck);
        EXPECT_EQ(lastCheck, read) << "time.ini held '" << stored << "'";
    }
}

TEST_F(LastCheckTest, MissingStampLeavesTheValueAlone) {
    std::string lastCheck;
    ReadLastCheck(lastCheck);
    EXPECT_EQ(lastCheck, "");
    EXPECT_FALSE(FileExists("time.ini"));
}

} // namespace
