// A picture as a PNG file's bytes: 8-bit RGB, no filter, stored (uncompressed) deflate blocks.
// Enough for the program's --screenshot, without a library; any PNG reader takes it.
#pragma once

#include <cstdint>
#include <vector>

namespace winui {

// rgb holds height rows of width pixels, three bytes each, top row first. Empty when the sizes
// do not match the data or are not positive.
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace winui
