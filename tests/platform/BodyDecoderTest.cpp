// The decoder of compressed bodies, fed as curl feeds it: in pieces of any size. Whole streams
// decode to the page in every form servers send; a stream cut anywhere never counts as ended.

#include "platform/inet/BodyDecoder.h"
#include "support/Compressed.h"

#include <gmock/gmock.h>

#include <string>

namespace {

// A page that compresses far (its decoded pieces overflow the decoder's output steps) but not
// to nothing.
std::string Page() {
    std::string page = "<title>Decoded</title>";
    for (int i = 0; page.size() < 300 * 1024; ++i) {
        page += "<p>line " + std::to_string(i * 7919 % 1000) + "</p>\n";
    }
    return page;
}

struct Fed {
    BodyDecoder::Step step = BodyDecoder::Step::Decoded;
    std::string out;
    bool ended = false;
};

Fed Feed(const char* encoding, const std::string& body, std::size_t piece,
         std::size_t limit = 1 << 30) {
    BodyDecoder decoder;
    EXPECT_TRUE(decoder.Begin(encoding));
    Fed fed;
    for (std::size_t at = 0; at < body.size() && fed.step == BodyDecoder::Step::Decoded;
         at += piece) {
        const std::size_t bytes = std::min(piece, body.size() - at);
        fed.step = decoder.Decode(body.data() + at, bytes, fed.out, limit - fed.out.size());
    }
    fed.ended = decoder.Ended();
    return fed;
}

TEST(BodyDecoder, EveryFormServersSendDecodesToThePageInAnyPieces) {
    const std::string page = Page();
    const struct {
        const char* encoding;
        std::string body;
    } cases[] = {
        {"gzip", Compressed(page, 15 + 16)},
        {"x-gzip", Compressed(page, 15 + 16)},
        {"deflate", Compressed(page, 15)},
        {"Deflate", Compressed(page, -15)}, // bare deflate data, as some servers send it
        // Two gzip members one after the other are one page.
        {"gzip", Compressed(page.substr(0, 1000), 15 + 16) + Compressed(page.substr(1000), 31)},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{65536}}) {
            SCOPED_TRACE(std::string(c.encoding) + " in pieces of " + std::to_string(piece));
            const Fed fed = Feed(c.encoding, c.body, piece);
            EXPECT_EQ(fed.step, BodyDecoder::Step::Decoded);
            EXPECT_TRUE(fed.ended);
            EXPECT_TRUE(fed.out == page) << fed.out.size() << " bytes of " << page.size();
        }
    }
}

TEST(BodyDecoder, AStreamCutShortNeverEndsAndBadDataOrTooMuchStops) {
    const std::string page = Page();
    const std::string zipped = Compressed(page, 15 + 16);
    for (const std::size_t cut :
         {std::size_t{5}, zipped.size() / 2, zipped.size() - 8, zipped.size() - 1}) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const Fed fed = Feed("gzip", zipped.substr(0, cut), 4096);
        EXPECT_EQ(fed.step, BodyDecoder::Step::Decoded);
        EXPECT_FALSE(fed.ended);
    }
    std::string damaged = zipped;
    damaged.replace(20, 40, std::string(40, '\x55'));
    EXPECT_EQ(Feed("gzip", damaged, 4096).step, BodyDecoder::Step::Damaged);
    EXPECT_EQ(Feed("gzip", "plain text, not compressed", 4096).step, BodyDecoder::Step::Damaged);
    // Past the limit it stops within one step of output, however far the rest would go.
    const Fed large = Feed("gzip", zipped, zipped.size(), 100 * 1024);
    EXPECT_EQ(large.step, BodyDecoder::Step::TooLarge);
    EXPECT_LE(large.out.size(), 100 * 1024 + 64 * 1024);

    BodyDecoder decoder;
    EXPECT_FALSE(decoder.Begin("br"));
    EXPECT_FALSE(decoder.Active());
    EXPECT_TRUE(decoder.Begin("identity"));
    EXPECT_FALSE(decoder.Active());
}

} // namespace
