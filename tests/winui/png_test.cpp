// The picture of --screenshot as a PNG file: its chunks, their checksums, and the pixels read back
// out of the stored deflate blocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "winui/png.h"

namespace {

uint32_t Big32(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

// The CRC-32 of the PNG format, computed bit by bit: independent of the encoder's table.
uint32_t SlowCrc(const uint8_t* p, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
};

std::vector<Chunk> Chunks(const std::vector<uint8_t>& png) {
    std::vector<Chunk> chunks;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = Big32(png, at);
        Chunk c{std::string(png.begin() + static_cast<long>(at) + 4, png.begin() + static_cast<long>(at) + 8),
                std::vector<uint8_t>(png.begin() + static_cast<long>(at) + 8,
                                     png.begin() + static_cast<long>(at + 8 + length))};
        EXPECT_EQ(Big32(png, at + 8 + length), SlowCrc(png.data() + at + 4, length + 4)) << c.type;
        chunks.push_back(c);
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    return chunks;
}

// The image data of stored deflate blocks, checked against its Adler-32.
std::vector<uint8_t> Inflate(const std::vector<uint8_t>& z) {
    std::vector<uint8_t> out;
    size_t at = 2;
    bool last = false;
    while (!last && at + 5 <= z.size()) {
        last = z[at] & 1;
        EXPECT_EQ(z[at] & 6, 0) << "a stored block";
        const size_t n = z[at + 1] | (z[at + 2] << 8);
        EXPECT_EQ(n ^ 0xFFFF, static_cast<size_t>(z[at + 3] | (z[at + 4] << 8)));
        out.insert(out.end(), z.begin() + static_cast<long>(at) + 5, z.begin() + static_cast<long>(at + 5 + n));
        at += 5 + n;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t byte : out) a = (a + byte) % 65521, b = (b + a) % 65521;
    EXPECT_EQ(Big32(z, at), (b << 16) | a);
    return out;
}

TEST(Png, HoldsThePixelsRowByRow) {
    // Wider than one stored block, so that the blocks are cut and joined.
    const int width = 200, height = 120;
    std::vector<uint8_t> rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) rgb.insert(rgb.end(), {uint8_t(x), uint8_t(y), uint8_t(x ^ y)});
    const std::vector<uint8_t> png = winui::EncodePng(width, height, rgb);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::string(png.begin(), png.begin() + 8), "\x89PNG\r\n\x1A\n");
    const std::vector<Chunk> chunks = Chunks(png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(Big32(chunks[0].data, 0), static_cast<uint32_t>(width));
    EXPECT_EQ(Big32(chunks[0].data, 4), static_cast<uint32_t>(height));
    EXPECT_EQ(std::vector<uint8_t>(chunks[0].data.begin() + 8, chunks[0].data.end()), (std::vector<uint8_t>{8, 2, 0, 0, 0}));
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    const std::vector<uint8_t> raw = Inflate(chunks[1].data);
    ASSERT_EQ(raw.size(), static_cast<size_t>(height) * (width * 3 + 1));
    for (int y = 0; y < height; ++y) {
        const size_t row = static_cast<size_t>(y) * (width * 3 + 1);
        EXPECT_EQ(raw[row], 0) << "no filter";
        EXPECT_TRUE(std::equal(rgb.begin() + static_cast<long>(y) * width * 3, rgb.begin() + static_cast<long>(y + 1) * width * 3,
                               raw.begin() + static_cast<long>(row) + 1));
    }
}

TEST(Png, NothingForSizesThatDoNotMatchTheData) {
    EXPECT_TRUE(winui::EncodePng(0, 1, {}).empty());
    EXPECT_TRUE(winui::EncodePng(2, 2, std::vector<uint8_t>(11)).empty());
}

}  // namespace
