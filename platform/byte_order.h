#pragma once
// Integers of a fixed byte order in byte buffers (file headers, stream records), the same on
// every machine whatever its own order. The pointers need no alignment.
#include <cstdint>

inline uint16_t ReadLE16(const void* at)
{
    const auto* p = static_cast<const uint8_t*>(at);
    return uint16_t(p[0] | (p[1] << 8));
}

inline uint32_t ReadLE32(const void* at)
{
    const auto* p = static_cast<const uint8_t*>(at);
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline uint64_t ReadLE64(const void* at)
{
    const auto* p = static_cast<const uint8_t*>(at);
    return uint64_t(ReadLE32(p)) | (uint64_t(ReadLE32(p + 4)) << 32);
}

inline uint16_t ReadBE16(const void* at)
{
    const auto* p = static_cast<const uint8_t*>(at);
    return uint16_t((p[0] << 8) | p[1]);
}

inline uint32_t ReadBE32(const void* at)
{
    const auto* p = static_cast<const uint8_t*>(at);
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

inline uint64_t ReadBE64(const void* at)
{
    const auto* p = static_cast<const uint8_t*>(at);
    return (uint64_t(ReadBE32(p)) << 32) | ReadBE32(p + 4);
}

inline void WriteLE16(void* at, uint16_t value)
{
    auto* p = static_cast<uint8_t*>(at);
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}

inline void WriteLE32(void* at, uint32_t value)
{
    auto* p = static_cast<uint8_t*>(at);
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(value >> (8 * i));
}

inline void WriteLE64(void* at, uint64_t value)
{
    auto* p = static_cast<uint8_t*>(at);
    WriteLE32(p, uint32_t(value));
    WriteLE32(p + 4, uint32_t(value >> 32));
}
