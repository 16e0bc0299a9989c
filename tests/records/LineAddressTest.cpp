#include "records/LineAddress.h"

#include <gtest/gtest.h>

namespace {

TEST(LineAddressTest, DropsTheLeadingWordsBeforeTheFirstHttp) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://a.test/", "http://a.test/"},
        {"UPDATE http://a.test/", "http://a.test/"},
        {"Page Error https://a.test/x", "https://a.test/x"},
        {"Time Out", "Time Out"},
        {"UPDATE HTTP://A.TEST/", "UPDATE HTTP://A.TEST/"}, // the search respects letter case
        {"", ""},
    };
    for (const auto& [line, address] : cases) {
        EXPECT_EQ(AddressInLine(line), address) << line;
    }
}

TEST(LineAddressTest, OnlyHttpAndHttpsAddressesAreWebAddresses) {
    const std::pair<const char*, bool> cases[] = {
        {"http://a.test/", true}, {"https://a.test/", true},        {"http://", false},
        {"https://", false},      {"httpx://a.test/", false},       {"http/page", false},
        {"Time Out", false},      {"file:///etc/passwd", false},    {"/home/user/file.txt", false},
        {"HTTP://A.TEST/", true}, {"UPDATE HTTP://A.TEST/", false},
    };
    for (const auto& [address, isWeb] : cases) {
        EXPECT_EQ(IsWebAddress(address), isWeb) << address;
    }
}

} // namespace
