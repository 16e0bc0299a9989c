// The timer's service judges a check by its exit status as the program gives it: a page changed
// or a check stopped on request (systemctl stop, a shutdown) is no failure of the unit, trouble
// found is one.

#include "cli/Cli.h"

#include <gmock/gmock.h>

#include <fstream>
#include <set>
#include <sstream>

namespace {

// The statuses of the unit's SuccessExitStatus= lines.
std::set<std::string> SuccessStatuses() {
    std::ifstream unit(std::string(VNT_SOURCE_DIR) + "/packaging/varnolt-check.service");
    std::set<std::string> statuses;
    for (std::string line; std::getline(unit, line);) {
        constexpr std::string_view kKey = "SuccessExitStatus=";
        if (line.rfind(kKey, 0) == 0) {
            std::istringstream words(line.substr(kKey.size()));
            for (std::string word; words >> word;) {
                statuses.insert(word);
            }
        }
    }
    return statuses;
}

TEST(CheckUnit, AChangedPageOrAStoppedCheckIsNoFailureButTroubleIs) {
    const std::set<std::string> statuses = SuccessStatuses();
    EXPECT_TRUE(statuses.contains(std::to_string(kExitChanged)));
    EXPECT_TRUE(statuses.contains(std::to_string(kExitStopped)));
    EXPECT_FALSE(statuses.contains(std::to_string(kExitTrouble)));
}

} // namespace
