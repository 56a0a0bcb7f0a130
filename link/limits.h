// The link's fixed sizes, shared by its state, its reassemblies and their tests and fuzzers.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t SLC_MAX_COMMAND = 512;     // longest command the link sends
constexpr uint32_t SLC_SLOT_SIZE = 2048;      // one response slot
constexpr int SLC_SLOT_COUNT = 3;
constexpr size_t SLC_DEVICE_ID_SIZE = 4096;
