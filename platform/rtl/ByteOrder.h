#pragma once
// Little-endian fields in byte buffers: the RIFF, AVI and Windows format records are all laid out
// this way. Read and written byte by byte, so neither the host's byte order nor alignment matters.
#include <cstdint>

namespace rtl {

inline uint16_t GetLE16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline uint32_t GetLE32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

inline uint64_t GetLE64(const uint8_t* p)
{
    return static_cast<uint64_t>(GetLE32(p)) | static_cast<uint64_t>(GetLE32(p + 4)) << 32;
}

inline void PutLE16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void PutLE32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void PutLE64(uint8_t* p, uint64_t v)
{
    PutLE32(p, static_cast<uint32_t>(v));
    PutLE32(p + 4, static_cast<uint32_t>(v >> 32));
}

// The same fields appended to a growing buffer (std::string or std::vector<uint8_t>).
template <class Buffer> void AppendLE16(Buffer& out, uint16_t v)
{
    out.push_back(static_cast<typename Buffer::value_type>(v & 0xFF));
    out.push_back(static_cast<typename Buffer::value_type>(v >> 8));
}

template <class Buffer> void AppendLE32(Buffer& out, uint32_t v)
{
    AppendLE16(out, static_cast<uint16_t>(v));
    AppendLE16(out, static_cast<uint16_t>(v >> 16));
}

template <class Buffer> void AppendLE64(Buffer& out, uint64_t v)
{
    AppendLE32(out, static_cast<uint32_t>(v));
    AppendLE32(out, static_cast<uint32_t>(v >> 32));
}

// A four-character code from its text (first character in the lowest byte); for constants.
constexpr uint32_t FourCC(const char (&s)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(s[0])) | static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[3])) << 24;
}

} // namespace rtl
