// The internet layer's error numbers and the texts the user sees for them.
#include "platform/inet/InternetErrors.h"
#include "platform/inet/InternetException.h"
#include "platform/inet/InternetOptions.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

namespace {

constexpr const char* kNoText = "No error message is available.";

std::size_t Occurrences(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

// The text with the one place that names the URL taken out.
std::string WithoutUrl(std::string text, const std::string& shownUrl) {
    const std::size_t at = text.find(shownUrl);
    return at == std::string::npos ? text : text.erase(at, shownUrl.size());
}

struct ErrorNumber {
    DWORD number; // as the user sees it
    InternetError error;
};

// Every number the layer reports.
constexpr ErrorNumber kEveryNumber[] = {
    {6, ERROR_INVALID_HANDLE},
    {8, ERROR_NOT_ENOUGH_MEMORY},
    {87, ERROR_INVALID_PARAMETER},
    {122, ERROR_INSUFFICIENT_BUFFER},
    {12002, ERROR_INTERNET_TIMEOUT},
    {12004, ERROR_INTERNET_INTERNAL_ERROR},
    {12005, ERROR_INTERNET_INVALID_URL},
    {12006, ERROR_INTERNET_UNRECOGNIZED_SCHEME},
    {12007, ERROR_INTERNET_NAME_NOT_RESOLVED},
    {12029, ERROR_INTERNET_CANNOT_CONNECT},
    {12030, ERROR_INTERNET_CONNECTION_ABORTED},
    {12040, ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR},
    {12150, ERROR_HTTP_HEADER_NOT_FOUND},
    {12152, ERROR_HTTP_INVALID_SERVER_RESPONSE},
    {12156, ERROR_HTTP_REDIRECT_FAILED},
    {12157, ERROR_INTERNET_SECURITY_CHANNEL_ERROR},
    {12175, ERROR_INTERNET_SEC_CERT_INVALID},
    {12901, ERROR_VNT_PAGE_TOO_LARGE},
    {12902, ERROR_VNT_PROXY_NOT_RESOLVED},
    {12903, ERROR_VNT_DAMAGED_ENCODING},
};

class InternetErrorTexts : public ::testing::Test {
protected:
    void SetUp() override { SetInternetOptions(InternetOptions{}); }
};

TEST_F(InternetErrorTexts, EveryNumberHasATextThatNamesTheAddressWhole) {
    // "%1" and "%2" in the address are the address's own characters, never placeholders.
    const std::string url = "http://e.example/%2/%1/page?q=%2";
    const std::string longUrl = "http://long.example/" + std::string(3000, 'x');
    const std::string shownLongUrl = longUrl.substr(0, 197) + "...";
    for (const ErrorNumber& entry : kEveryNumber) {
        SCOPED_TRACE(entry.number);
        EXPECT_EQ(DWORD{entry.error}, entry.number);

        const std::string text = InternetErrorText(entry.number, url);
        EXPECT_NE(text, kNoText);
        EXPECT_EQ(Occurrences(text, url), 1u) << text;
        EXPECT_EQ(Occurrences(text, "%2"), 2u) << text;
        EXPECT_EQ(Occurrences(text, "%1"), 1u) << text;
        EXPECT_LE(text.size(), kInternetMessageLimit);

        // A very long address is shortened, and the rest of the text still fits whole.
        const std::string longText = InternetErrorText(entry.number, longUrl);
        EXPECT_EQ(Occurrences(longText, shownLongUrl), 1u) << longText;
        EXPECT_LE(longText.size(), kInternetMessageLimit);
        EXPECT_EQ(WithoutUrl(longText, shownLongUrl), WithoutUrl(text, url));

        // With the transfer library's words added the message is cut at the limit.
        const CInternetException failure(0, entry.number, longUrl, std::string(1000, 'w'));
        const std::string message = failure.GetErrorMessage();
        EXPECT_EQ(message.size(), kInternetMessageLimit);
        EXPECT_EQ(message.rfind(longText, 0), 0u);
    }
}

TEST_F(InternetErrorTexts, TheTooLargeTextNamesTheSizeLimit) {
    EXPECT_NE(InternetErrorText(ERROR_VNT_PAGE_TOO_LARGE, "http://e.example/").find("256 MiB"),
              std::string::npos);
    InternetOptions options;
    options.maxBodyBytes = 1000;
    SetInternetOptions(options);
    EXPECT_NE(InternetErrorText(ERROR_VNT_PAGE_TOO_LARGE, "http://e.example/").find("1000 bytes"),
              std::string::npos);
    SetInternetOptions(InternetOptions{});
}

TEST_F(InternetErrorTexts, OnlyTheLayersNumbersHaveATextAndNoneIsLeftOutOfTheTable) {
    std::set<DWORD> expected;
    for (const ErrorNumber& entry : kEveryNumber) {
        expected.insert(entry.number);
    }
    std::set<DWORD> withText;
    for (DWORD number = 0; number <= 0xFFFF; ++number) {
        if (InternetErrorText(number, "http://e.example/") != kNoText) {
            withText.insert(number);
        }
    }
    for (const DWORD number : {DWORD{0x10000}, DWORD{12000 + 0x10000}, DWORD{0xFFFFFFFF}}) {
        EXPECT_EQ(InternetErrorText(number, "http://e.example/"), kNoText) << number;
    }
    EXPECT_EQ(withText, expected);
}

} // namespace
