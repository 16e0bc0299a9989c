// The CSS subset the rules take: each form's XPath, each refusal naming its part, and the
// translation selecting on real pages exactly what a hand-written XPath selects.

#include "check/CssSelector.h"
#include "RealPages.h"
#include "platform/markup/HtmlSelection.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;

constexpr const char* kClassBody =
    "[contains(concat(' ',normalize-space(@class),' '),concat(' ','body',' '))]";

struct Translation {
    const char* css;
    std::string xpath;
};

TEST(CssSelector, EachFormOfTheSubsetHasItsXPath) {
    const Translation cases[] = {
        {"p", "//p"},
        {"DIV", "//div"},
        {"*", "//*"},
        {"#main", "//*[@id='main']"},
        {"div.body", std::string("//div") + kClassBody},
        {".body", std::string("//*") + kClassBody},
        {"a[href]", "//a[@href]"},
        {"a[rel=next]", "//a[@rel='next']"},
        {"a[title=\"it's\"]", "//a[@title=\"it's\"]"},
        {"a[title='say \"hi\"']", "//a[@title='say \"hi\"']"},
        {"a[rel~=nofollow]",
         "//a[contains(concat(' ',normalize-space(@rel),' '),concat(' ','nofollow',' '))]"},
        {"a[rel~='two words']", "//a[false()]"},
        {"div p", "//div//p"},
        {"div > p", "//div/p"},
        {"div>p", "//div/p"},
        {"ul li > a", "//ul//li/a"},
        {"h1, h2", "//h1 | //h2"},
        {"  p  ", "//p"},
        {".pr\xc3\xa9"
         "f",
         "//*[contains(concat(' ',normalize-space(@class),' '),concat(' ','pr\xc3\xa9"
         "f',' '))]"},
        {"td#x.y[z]", "//td[@id='x']" +
                          std::string("[contains(concat(' ',normalize-space(@class),' '),"
                                      "concat(' ','y',' '))]") +
                          "[@z]"},
    };
    for (const Translation& c : cases) {
        const CssTranslation translated = CssToXPath(c.css);
        EXPECT_EQ(translated.error, "") << c.css;
        EXPECT_EQ(translated.xpath, c.xpath) << c.css;
        EXPECT_EQ(XPathError(translated.xpath), "") << c.css;
    }
}

TEST(CssSelector, AnythingOutsideTheSubsetIsRefusedWithItsPartNamed) {
    const std::pair<const char*, const char*> cases[] = {
        {"a:hover", "':hover'"},
        {"p::before", "'::before'"},
        {"h1 + p", "'+'"},
        {"h1 ~ p", "'~'"},
        {"a[href^=http]", "'[href^=http]'"},
        {"a[href*=x]", "'[href*=x]'"},
        {"a[lang|=en]", "'[lang|=en]'"},
        {"svg|rect", "'|rect'"},
        {"p:not(.x)", "':not'"},
        {"div\\.x", "'\\'"},
        {"\xc3\xa9l\xc3\xa9ment", "'\xc3\xa9l\xc3\xa9ment'"},
    };
    for (const auto& [css, part] : cases) {
        const CssTranslation translated = CssToXPath(css);
        EXPECT_EQ(translated.xpath, "") << css;
        EXPECT_THAT(translated.error, HasSubstr(std::string("uses ") + part)) << css;
        EXPECT_THAT(translated.error, HasSubstr("not supported")) << css;
    }
    for (const char* broken : {"", "div >", "a[title='open", "a[href", ", p", "d\xff\xffiv"}) {
        const CssTranslation translated = CssToXPath(broken);
        EXPECT_EQ(translated.xpath, "") << broken;
        EXPECT_NE(translated.error, "") << broken;
    }
}

TEST(CssSelector, SelectsOnRealPagesWhatTheSameXPathSelects) {
    const std::vector<std::filesystem::path> pages =
        RealPages({"index.html", "pkgs.html", "resources.html", "scope.html"});
    ASSERT_FALSE(pages.empty()) << "Debian's developers-reference is missing (make setup)";
    const std::pair<const char*, const char*> cases[] = {
        {"div.body p", "//div[contains(@class,'body') and not(contains(@class,'bodywrapper'))]//p"},
        {"div.related > ul > li", "//div[@class='related']/ul/li"},
        {"a[href]", "//a[@href]"},
        {"#searchbox", "//*[@id='searchbox']"},
        {"span.std.std-ref", "//span[@class='std std-ref']"},
        {"a.reference.internal, div.footer", "//a[@class='reference internal'] | "
                                             "//div[@class='footer']"},
        {"LI.right", "//li[@class='right']"},
        {"a[class~=external]", "//a[@class='reference external']"},
    };
    for (const std::filesystem::path& path : pages) {
        const std::string page = ReadFileBytes(path);
        for (const auto& [css, xpath] : cases) {
            SCOPED_TRACE(path.filename().string() + ": " + css);
            const CssTranslation translated = CssToXPath(css);
            ASSERT_EQ(translated.error, "");
            const HtmlSelection byCss = SelectFromHtml(page, {translated.xpath}, false);
            const HtmlSelection byXPath = SelectFromHtml(page, {xpath}, false);
            EXPECT_EQ(byCss.failure, "");
            EXPECT_EQ(byCss.matches, byXPath.matches);
            EXPECT_EQ(byCss.text, byXPath.text);
        }
    }
}

} // namespace
