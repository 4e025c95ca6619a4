#include "imageformats/picture_compression.h"

#include "imageformats/picture_error.h"
#include "platform/byte_order.h"

#include <algorithm>
#include <bit>
#include <cstring>

// ---------------------------------------------------------------------------------------
// LZW, shared part

namespace {

// Copies a string of n bytes (n > 0) 16 at a time; to has room for n + 15 bytes. What lands past
// the string is overwritten by the strings that follow. A block may take bytes of the string
// being written (the source of a string made from the previous one ends where it starts), so
// each goes through a register, never memcpy between overlapping blocks.
inline void CopyString(uint8_t* to, const uint8_t* from, size_t n)
{
    for (size_t i = 0; i < n; i += 16) {
        uint8_t block[16];
        std::memcpy(block, from + i, 16);
        std::memcpy(to + i, block, 16);
    }
}

// A string's first eight bytes as they lie in memory, in a register: byte i of the string is
// byte i in memory whatever the machine's byte order.
constexpr uint32_t ByteShift(uint32_t i)
{
    return std::endian::native == std::endian::little ? 8 * i : 56 - 8 * i;
}

// The head with character c put after its first length bytes.
inline uint64_t Append(uint64_t head, uint32_t length, uint8_t c)
{
    return length < 8 ? head | uint64_t(c) << ByteShift(length) : head;
}

inline uint8_t FirstOf(uint64_t head)
{
    return uint8_t(head >> ByteShift(0));
}

inline uint64_t HeadOf(uint8_t c)
{
    return uint64_t(c) << ByteShift(0);
}

} // namespace

template <bool MsbFirst>
int32_t TLZWDecoderBase::DecodeCodes(const uint8_t* source, const uint8_t* sourceEnd, uint8_t* dest,
                                     int32_t unpackedSize, uint32_t initialBits, const char* message,
                                     const std::function<bool(const uint8_t*&, const uint8_t*&)>* more)
{
    // Locals, not members nor the parameters more takes by reference: stores through the
    // output pointer would make the compiler reload them after each string written. The
    // tables lie at a fixed place in the object, so reaching them costs no reload.
    const uint8_t* s = source;
    const uint8_t* sEnd = sourceEnd;
    // Before sFast eight bytes can be read at once.
    const auto fastEnd = [](const uint8_t* from, const uint8_t* end) {
        return end - from >= 8 ? end - 7 : from;
    };
    const uint8_t* sFast = fastEnd(s, sEnd);
    const uint32_t clear = m_clearCode, eoi = m_eoiCode;
    uint64_t* const head = m_head;
    uint16_t* const length = m_length;
    for (uint32_t c = 0; c < clear; ++c) {
        head[c] = HeadOf(uint8_t(c));
        length[c] = 1;
    }
    // Clear and end are no strings: a length of 0 sends them to the slow branch.
    length[clear] = length[eoi] = 0;
    // The width grows when the next free code reaches growAt: TIFF's one code early.
    const auto growAtFor = [](uint32_t width) {
        return width < 12 ? (1u << width) - (MsbFirst ? 1 : 0) : 0u;
    };
    uint8_t* t = dest;
    uint8_t* const tEnd = dest + unpackedSize;
    uint32_t codeSize = initialBits;
    uint32_t growAt = growAtFor(codeSize);
    uint32_t nextFree = clear + 2;
    // The previous code's string, which ends at t; length 0 after a clear.
    uint32_t oldLength = 0;
    uint64_t oldHead = 0;
    // The bits not taken yet: MSB first at the top of acc, else at the bottom. A refill of eight
    // bytes may also hold part of the next byte, which the next refill puts in the same place.
    uint64_t acc = 0;
    uint32_t bits = 0;

    for (;;) {
        if (bits >= codeSize) {
            // A refill gives four codes or more.
        } else if (s < sFast) {
            // Eight bytes at a time while the data lasts.
            if (MsbFirst)
                acc |= ReadBE64(s) >> bits;
            else
                acc |= ReadLE64(s) << bits;
            s += (63 - bits) >> 3;
            bits |= 56;
        } else {
            while (bits < codeSize) {
                if (s == sEnd) {
                    const uint8_t* next = s;
                    const uint8_t* nextEnd = sEnd;
                    if (!more || !(*more)(next, nextEnd))
                        goto done;
                    s = next;
                    sEnd = nextEnd;
                    sFast = fastEnd(s, sEnd);
                    continue;
                }
                if (MsbFirst)
                    acc |= uint64_t(*s++) << (56 - bits);
                else
                    acc |= uint64_t(*s++) << bits;
                bits += 8;
            }
        }
        uint32_t code;
        if (MsbFirst) {
            code = uint32_t(acc >> (64 - codeSize));
            acc <<= codeSize;
        } else {
            code = uint32_t(acc) & ((1u << codeSize) - 1);
            acc >>= codeSize;
        }
        bits -= codeSize;

        uint64_t h;
        uint32_t len;
        bool made = false;
        if (code < nextFree && (len = length[code]) != 0) {
            // A character, or a string in the table (after a clear, only a character is).
            h = head[code];
        } else if (code == clear) {
            codeSize = initialBits;
            growAt = growAtFor(codeSize);
            nextFree = clear + 2;
            oldLength = 0;
            continue;
        } else if (code == eoi) {
            break;
        } else if (code == nextFree && oldLength != 0) {
            // The code about to be made: the previous string and its own first character.
            h = Append(oldHead, oldLength, FirstOf(oldHead));
            len = oldLength + 1;
            made = true;
        } else {
            RaisePictureError(message);
        }

        // The previous string and this one's first character make the next entry. A full
        // table stops growing, so no entry can ever come to point to itself.
        if (oldLength != 0) {
            head[nextFree] = Append(oldHead, oldLength, FirstOf(h));
            m_from[nextFree] = t - oldLength;
            length[nextFree] = uint16_t(oldLength + 1);
            if (nextFree < TableSize && ++nextFree == growAt)
                growAt = growAtFor(++codeSize);
        }

        const size_t room = size_t(tEnd - t);
        if (len + 16 <= room) {
            if (len <= 8) {
                std::memcpy(t, &h, 8);
            } else if (!made) {
                CopyString(t, m_from[code], len);
            } else {
                // The previous string again (it ends where this one starts), then its first byte.
                CopyString(t, t - oldLength, oldLength);
                t[oldLength] = FirstOf(oldHead);
            }
            t += len;
        } else {
            // Near the end of the output: never a byte past it.
            const size_t n = std::min<size_t>(len, room);
            if (len <= 8) {
                uint8_t bytes[8];
                std::memcpy(bytes, &h, 8);
                std::memcpy(t, bytes, n);
            } else if (!made) {
                std::memcpy(t, m_from[code], n);
            } else {
                std::memcpy(t, t - oldLength, std::min<size_t>(n, oldLength));
                if (n == len)
                    t[oldLength] = FirstOf(oldHead);
            }
            t += n;
            if (n == room)
                break;
        }
        oldLength = len;
        oldHead = h;
    }
done:
    return int32_t(t - dest);
}

// ---------------------------------------------------------------------------------------
// TIFF LZW

int32_t TTIFFLZW::Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                         int32_t unpackedSize)
{
    if (packedSize <= 0 || unpackedSize <= 0)
        return 0;
    m_clearCode = 256;
    m_eoiCode = 257;
    return DecodeCodes<true>(source, source + packedSize, dest, unpackedSize, 9, "TIF LZW: invalid opcode.");
}

// ---------------------------------------------------------------------------------------
// GIF LZW

int32_t TGIFLZW::Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                        int32_t unpackedSize)
{
    if (InitialCodeSize < 1 || InitialCodeSize > 11)
        RaisePictureError("GIF LZW: invalid opcode.");
    if (packedSize <= 0 || unpackedSize <= 0)
        return 0;
    m_clearCode = uint16_t(1u << InitialCodeSize);
    m_eoiCode = uint16_t(m_clearCode + 1);
    return DecodeCodes<false>(source, source + packedSize, dest, unpackedSize, InitialCodeSize + 1u,
                              "GIF LZW: invalid opcode.", More ? &More : nullptr);
}

// ---------------------------------------------------------------------------------------
// Run-length decoders

namespace {

// Copies a literal packet of count bytes. Most are short: when both buffers have room, one
// fixed 16-byte move does it, and what lands past the packet is overwritten by what follows.
inline void CopyLiteral(uint8_t* d, const uint8_t* dEnd, const uint8_t* s, const uint8_t* sEnd, size_t count)
{
    if (count <= 16 && dEnd - d >= 16 && sEnd - s >= 16)
        std::memcpy(d, s, 16);
    else
        std::memcpy(d, s, count);
}

// A literal packet of count bytes, cut where the source or the output ends; the source moves
// past all of them it holds. Wide: short packets may move 16 bytes at once (see CopyLiteral),
// for readers whose next packet always overwrites the rest.
template <bool Wide>
inline void LiteralPacket(const uint8_t*& s, const uint8_t* sEnd, uint8_t*& d, const uint8_t* dEnd,
                          size_t count)
{
    const size_t avail = std::min<size_t>(count, size_t(sEnd - s));
    const size_t n = std::min<size_t>(avail, size_t(dEnd - d));
    if constexpr (Wide)
        CopyLiteral(d, dEnd, s, sEnd, n);
    else
        std::memcpy(d, s, n);
    d += n;
    s += avail;
}

// A run packet: count copies of the next source byte, cut where the output ends. False when
// the source has no byte left for it.
inline bool RunPacket(const uint8_t*& s, const uint8_t* sEnd, uint8_t*& d, const uint8_t* dEnd, size_t count)
{
    if (s >= sEnd)
        return false;
    const uint8_t value = *s++;
    const size_t n = std::min<size_t>(count, size_t(dEnd - d));
    std::memset(d, value, n);
    d += n;
    return true;
}

}   // namespace

int32_t TPackbitsRLE::Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                             int32_t unpackedSize)
{
    if (packedSize <= 0 || unpackedSize <= 0)
        return 0;
    const uint8_t* s = source;
    const uint8_t* sEnd = s + packedSize;
    uint8_t* d = dest;
    uint8_t* dEnd = dest + unpackedSize;
    while (s < sEnd && d < dEnd) {
        // While both buffers hold the longest packet, packets of up to 128 bytes go in 16-byte
        // moves without a call: what lands past a packet is overwritten by the next.
        while (sEnd - s > 129 && dEnd - d >= 128) {
            const int n = int8_t(*s++);
            if (n >= 0) {
                const size_t count = size_t(n) + 1;
                for (size_t i = 0; i < count; i += 16)
                    std::memcpy(d + i, s + i, 16);
                d += count;
                s += count;
            } else if (n != -128) {
                const size_t count = size_t(1 - n);
                uint8_t block[16];
                std::memset(block, *s++, 16);
                for (size_t i = 0; i < count; i += 16)
                    std::memcpy(d + i, block, 16);
                d += count;
            }
        }
        if (s >= sEnd || d >= dEnd)
            break;
        const int n = int8_t(*s++);
        if (n >= 0)
            LiteralPacket<true>(s, sEnd, d, dEnd, size_t(n) + 1);
        else if (n != -128 && !RunPacket(s, sEnd, d, dEnd, size_t(1 - n)))
            break;
    }
    return int32_t(d - dest);
}

int32_t TPCXRLE::Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                        int32_t unpackedSize)
{
    Consumed = 0;
    if (unpackedSize <= 0)
        return 0;
    uint8_t* d = dest;
    uint8_t* dEnd = dest + unpackedSize;
    if (m_runLeft > 0) {
        const uint32_t n = std::min<uint32_t>(m_runLeft, uint32_t(unpackedSize));
        std::memset(d, m_runValue, n);
        d += n;
        m_runLeft -= n;
    }
    if (packedSize <= 0)
        return int32_t(d - dest);
    const uint8_t* s = source;
    const uint8_t* sEnd = s + packedSize;
    while (d < dEnd && s < sEnd) {
        // Plain bytes and runs alike without a branch on their kind, while both buffers have
        // room: sixteen bytes of the value are stored whatever the count, and what lands past
        // it is overwritten by what follows. Most pictures are made of short items.
        while (sEnd - s >= 2 && dEnd - d >= 64) {
            const uint8_t b = s[0];
            const bool run = b >= 0xC0;
            const size_t count = run ? b & 0x3F : 1;
            const uint8_t value = run ? s[1] : b;
            const uint64_t fill = value * 0x0101010101010101u;
            std::memcpy(d, &fill, 8);
            std::memcpy(d + 8, &fill, 8);
            if (count > 16)
                std::memset(d + 16, value, count - 16);
            d += count;
            s += run ? 2 : 1;
        }
        if (d >= dEnd || s >= sEnd)
            break;
        const uint8_t b = *s;
        if ((b & 0xC0) == 0xC0) {
            if (sEnd - s < 2)
                break;
            const uint32_t count = b & 0x3F;
            const uint32_t n = std::min<uint32_t>(count, uint32_t(dEnd - d));
            std::memset(d, s[1], n);
            d += n;
            if (Carry) {
                m_runLeft = count - n;
                m_runValue = s[1];
            }
            s += 2;
        } else {
            *d++ = b;
            ++s;
        }
    }
    Consumed = uint32_t(s - source);
    return int32_t(d - dest);
}

int32_t TSGIRLE::Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                        int32_t unpackedSize)
{
    if (packedSize <= 0 || unpackedSize <= 0)
        return 0;
    const uint8_t* s = source;
    const uint8_t* sEnd = s + packedSize;
    uint8_t* d = dest;
    uint8_t* dEnd = dest + unpackedSize;
    if (SampleSize == 2) {
        while (sEnd - s >= 2 && d < dEnd) {
            const unsigned header = (unsigned(s[0]) << 8) | s[1];
            s += 2;
            const size_t count = header & 0x7F;
            if (count == 0)
                break;
            if (header & 0x80) {
                const size_t avail = std::min<size_t>(count, size_t(sEnd - s) / 2);
                const size_t n = std::min<size_t>(avail, size_t(dEnd - d));
                for (size_t i = 0; i < n; ++i)
                    d[i] = s[2 * i];
                d += n;
                s += 2 * avail;
            } else {
                if (sEnd - s < 2)
                    break;
                const uint8_t value = s[0];
                s += 2;
                const size_t n = std::min<size_t>(count, size_t(dEnd - d));
                std::memset(d, value, n);
                d += n;
            }
        }
    } else {
        while (s < sEnd && d < dEnd) {
            const uint8_t header = *s++;
            const size_t count = header & 0x7F;
            if (count == 0)
                break;
            if (header & 0x80)
                LiteralPacket<true>(s, sEnd, d, dEnd, count);
            else if (!RunPacket(s, sEnd, d, dEnd, count))
                break;
        }
    }
    return int32_t(d - dest);
}

int32_t TCUTRLE::Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                        int32_t unpackedSize)
{
    if (packedSize <= 0)
        return 0;
    if (unpackedSize < 0)
        unpackedSize = 0;
    const uint8_t* s = source;
    const uint8_t* sEnd = s + packedSize;
    uint8_t* d = dest;
    uint8_t* dEnd = dest + unpackedSize;
    s += std::min<ptrdiff_t>(2, sEnd - s);   // the row's byte count
    // The row is parsed up to its end marker even when the output is full, so the next
    // row starts where it should.
    while (s < sEnd) {
        const uint8_t header = *s++;
        if (header == 0)
            break;
        const size_t count = header & 0x7F;
        if (header & 0x80) {
            if (!RunPacket(s, sEnd, d, dEnd, count))
                break;
        } else {
            LiteralPacket<false>(s, sEnd, d, dEnd, count);
        }
    }
    source = s;
    return int32_t(d - dest);
}

int32_t TRLADecoder::Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                            int32_t unpackedSize)
{
    if (packedSize <= 0 || unpackedSize <= 0)
        return 0;
    const uint8_t* s = source;
    const uint8_t* sEnd = s + packedSize;
    uint8_t* d = dest;
    uint8_t* dEnd = dest + unpackedSize;
    while (s < sEnd && d < dEnd) {
        const int n = int8_t(*s++);
        if (n >= 0) {
            if (!RunPacket(s, sEnd, d, dEnd, size_t(n) + 1))
                break;
        } else {
            LiteralPacket<false>(s, sEnd, d, dEnd, size_t(-n));
        }
    }
    return int32_t(d - dest);
}

// ---------------------------------------------------------------------------------------
// Targa packets

namespace {

// Count pixels of bpp bytes, all equal to pixel.
inline void FillPixels(uint8_t* d, const uint8_t* pixel, uint32_t bpp, uint32_t bytes)
{
    if (bpp == 1) {
        std::memset(d, pixel[0], bytes);
        return;
    }
    for (; bytes >= bpp; bytes -= bpp, d += bpp)
        std::memcpy(d, pixel, bpp);
    std::memcpy(d, pixel, bytes);
}

}   // namespace

uint32_t DecodeRLE(const uint8_t* source, uint32_t sourceSize, uint8_t* dest, uint32_t count,
                   uint32_t colorDepth, uint32_t* produced, TTargaPacket* carry)
{
    uint32_t bpp;
    switch (colorDepth) {
    case 8: bpp = 1; break;
    case 15:
    case 16: bpp = 2; break;
    case 24: bpp = 3; break;
    case 32: bpp = 4; break;
    default:
        if (produced)
            *produced = 0;
        return 0;
    }
    uint32_t pos = 0, out = 0;
    // The rest of the packet the last call cut off.
    if (carry && carry->Left > 0) {
        const uint32_t n = std::min(carry->Left, (count - out) / bpp);
        if (carry->Run) {
            FillPixels(dest, carry->Pixel, bpp, n * bpp);
            out = n * bpp;
        } else {
            const uint32_t bytes = std::min(n * bpp, sourceSize / bpp * bpp);
            std::memcpy(dest, source, bytes);
            out = pos = bytes;
        }
        carry->Left -= out / bpp;
        if (carry->Left > 0 && out < count) {
            // The data ended inside the packet.
            carry->Left = 0;
            if (produced)
                *produced = out;
            return pos;
        }
    }
    while (out < count && pos < sourceSize) {
        if (bpp == 1) {
            // Short packets of one-byte pixels without a branch on their kind, while both
            // buffers have room: sixteen bytes are stored whatever the packet's length, and the
            // next packet overwrites what lands past it. Photographs reduced to a palette are
            // made of such packets.
            while (count - out >= 16 && sourceSize - pos >= 17) {
                const uint8_t header = source[pos];
                const uint32_t n = (header & 127u) + 1;
                if (n > 16)
                    break;
                const uint64_t run = header > 127 ? ~uint64_t(0) : 0;
                const uint64_t fill = source[pos + 1] * 0x0101010101010101u;
                uint64_t lo, hi;
                std::memcpy(&lo, source + pos + 1, 8);
                std::memcpy(&hi, source + pos + 9, 8);
                lo = (fill & run) | (lo & ~run);
                hi = (fill & run) | (hi & ~run);
                std::memcpy(dest + out, &lo, 8);
                std::memcpy(dest + out + 8, &hi, 8);
                out += n;
                pos += 1 + (run ? 1 : n);
            }
            if (out >= count || pos >= sourceSize)
                break;
        }
        const uint8_t header = source[pos++];
        const uint32_t n = (header & 127u) + 1;
        if (header > 127) {
            if (sourceSize - pos < bpp)
                break;
            const uint8_t* pixel = source + pos;
            pos += bpp;
            const uint32_t bytes = std::min(n * bpp, count - out);
            FillPixels(dest + out, pixel, bpp, bytes);
            out += bytes;
            if (carry && bytes < n * bpp) {
                carry->Left = n - bytes / bpp;
                carry->Run = true;
                std::memcpy(carry->Pixel, pixel, bpp);
            }
        } else {
            const uint32_t avail = std::min(n * bpp, sourceSize - pos);
            const uint32_t bytes = std::min(avail, count - out);
            CopyLiteral(dest + out, dest + count, source + pos, source + sourceSize, bytes);
            out += bytes;
            if (carry && bytes < avail) {
                // Cut by the end of count: the rest stays in the source for the next call.
                carry->Left = n - bytes / bpp;
                carry->Run = false;
                pos += bytes;
            } else {
                pos += avail;
            }
        }
    }
    if (produced)
        *produced = out;
    return pos;
}

int32_t EncodeRLE(const uint8_t* source, uint8_t* dest, int32_t count, int32_t bytesPerPixel)
{
    if (count <= 0 || bytesPerPixel < 1 || bytesPerPixel > 4)
        return 0;
    const size_t bpp = size_t(bytesPerPixel);
    const auto same = [&](int32_t a, int32_t b) {
        return std::memcmp(source + size_t(a) * bpp, source + size_t(b) * bpp, bpp) == 0;
    };
    uint8_t* d = dest;
    int32_t i = 0;
    while (i < count) {
        const int32_t left = count - i;
        // Pixels that differ from their right neighbour go out as one raw packet.
        int32_t differ = 0;
        if (left == 1) {
            differ = 1;
        } else {
            while (differ < left - 1 && differ < 128 && !same(i + differ, i + differ + 1))
                ++differ;
        }
        if (differ > 0) {
            *d++ = uint8_t(differ - 1);
            std::memcpy(d, source + size_t(i) * bpp, size_t(differ) * bpp);
            d += size_t(differ) * bpp;
            i += differ;
        }
        if (i >= count)
            break;
        int32_t run = 1;
        while (i + run < count && run < 128 && same(i, i + run))
            ++run;
        if (run > 1) {
            *d++ = uint8_t((run - 1) | 128);
            std::memcpy(d, source + size_t(i) * bpp, bpp);
            d += bpp;
            i += run;
        }
    }
    return int32_t(d - dest);
}
