#pragma once
// Text compressed as a server would send it, for tests of compressed answers.

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

// zlib's window bits: 15 + 16 writes a gzip stream, 15 a zlib stream, -15 bare deflate data.
inline std::string Compressed(const std::string& text, int windowBits) {
    z_stream stream{};
    EXPECT_EQ(
        deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY),
        Z_OK);
    std::string out(deflateBound(&stream, text.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// The text as a gzip stream.
inline std::string Gzipped(const std::string& text) {
    return Compressed(text, 15 + 16);
}
