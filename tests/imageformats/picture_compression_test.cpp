#include "imageformats/picture_compression.h"
#include "imageformats/picture_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Packs codes most significant bit first (TIFF) or least significant bit first (GIF),
// with the width each code is written in.
Bytes PackMSB(const std::vector<std::pair<unsigned, unsigned>>& codes)
{
    Bytes out;
    uint64_t acc = 0;
    unsigned bits = 0;
    for (auto [code, width] : codes) {
        acc = (acc << width) | code;
        bits += width;
        while (bits >= 8) {
            out.push_back(uint8_t(acc >> (bits - 8)));
            bits -= 8;
        }
    }
    if (bits)
        out.push_back(uint8_t(acc << (8 - bits)));
    return out;
}

Bytes PackLSB(const std::vector<std::pair<unsigned, unsigned>>& codes)
{
    Bytes out;
    uint64_t acc = 0;
    unsigned bits = 0;
    for (auto [code, width] : codes) {
        acc |= uint64_t(code) << bits;
        bits += width;
        while (bits >= 8) {
            out.push_back(uint8_t(acc));
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits)
        out.push_back(uint8_t(acc));
    return out;
}

Bytes Unpack(TDecoder& d, const Bytes& in, size_t outSize, int32_t* produced = nullptr)
{
    Bytes out(outSize, 0xEE);
    const uint8_t* src = in.data();
    const int32_t n = d.Decode(src, out.data(), int32_t(in.size()), int32_t(outSize));
    if (produced)
        *produced = n;
    return out;
}

std::string ErrorOf(TDecoder& d, const Bytes& in, size_t outSize)
{
    try {
        Unpack(d, in, outSize);
    } catch (const EPictureError& e) {
        return e.what();
    }
    return {};
}

}   // namespace

TEST(TIFFLZW, DecodesStringsAndTheCodeBeingMade)
{
    // clear, a, b, 258 ("ab"), then 260: the code being made, "ab" plus its first character
    TTIFFLZW d;
    const Bytes in = PackMSB({{256, 9}, {'a', 9}, {'b', 9}, {258, 9}, {260, 9}, {257, 9}});
    int32_t n = 0;
    const Bytes out = Unpack(d, in, 16, &n);
    // a b ab, then 260 = previous (ab) + its first character = aba
    EXPECT_EQ(std::string(out.begin(), out.begin() + n), "abababa");
}

TEST(TIFFLZW, WidthGrowsOneCodeEarlyAndStopsAtTwelveBits)
{
    // Literal codes only: entries 258.. are made one per code after the first. The width is
    // 9 bits until the next free code reaches 511, then 10, 11 from 1023, 12 from 2047.
    std::vector<std::pair<unsigned, unsigned>> codes{{256, 9}};
    unsigned next = 258, width = 9;
    const int total = 5000;   // runs past a full table: it must stop growing, not break
    for (int i = 0; i < total; ++i) {
        codes.push_back({unsigned(i % 256), width});
        if (i > 0 && next < 4096) {
            ++next;
            if (next == (1u << width) - 1 && width < 12)
                ++width;
        }
    }
    codes.push_back({257, width});
    TTIFFLZW d;
    int32_t n = 0;
    const Bytes out = Unpack(d, PackMSB(codes), total, &n);
    ASSERT_EQ(n, total);
    for (int i = 0; i < total; ++i)
        ASSERT_EQ(out[size_t(i)], uint8_t(i % 256)) << i;
}

TEST(TIFFLZW, BadInputIsRefusedOrBounded)
{
    TTIFFLZW d;
    EXPECT_EQ(ErrorOf(d, PackMSB({{256, 9}, {'a', 9}, {300, 9}}), 10), "TIF LZW: invalid opcode.");
    // A string code straight after a clear has nothing to stand for.
    EXPECT_EQ(ErrorOf(d, PackMSB({{256, 9}, {258, 9}}), 10), "TIF LZW: invalid opcode.");
    // Output is cut at UnpackedSize, also inside a string.
    int32_t n = 0;
    const Bytes out = Unpack(d, PackMSB({{'a', 9}, {'b', 9}, {258, 9}, {258, 9}}), 5, &n);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(std::string(out.begin(), out.end()), "ababa");
}

TEST(TIFFLZW, EdgesOfTheTableAndOfTheData)
{
    // 254 literal codes make entries up to 510; the next free code is then 511 and the width
    // grows to 10 bits one code early. The code after is read in 10 bits: 511 is the code being
    // made, 512 is past the table.
    auto after254 = [](unsigned code, unsigned width) {
        std::vector<std::pair<unsigned, unsigned>> codes{{256, 9}};
        for (unsigned i = 0; i < 254; ++i)
            codes.push_back({'a' + i % 2, 9});
        codes.push_back({code, width});
        codes.push_back({257, 10});
        return PackMSB(codes);
    };
    struct Case {
        const char* what;
        Bytes in;
        std::string want; // the bytes after the 254 literals, or the message
        bool error;
    };
    const Case cases[] = {
        {"the code being made, at the new width", after254(511, 10), "bb", false},
        {"a literal at the new width", after254('z', 10), "z", false},
        {"past the table at the new width", after254(512, 10), "TIF LZW: invalid opcode.", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TTIFFLZW d;
        if (c.error) {
            EXPECT_EQ(ErrorOf(d, c.in, 1000), c.want);
            continue;
        }
        int32_t n = 0;
        const Bytes out = Unpack(d, c.in, 1000, &n);
        ASSERT_EQ(n, int32_t(254 + c.want.size()));
        EXPECT_EQ(std::string(out.begin() + 254, out.begin() + n), c.want);
    }
    // Data cut inside a code gives the codes before it.
    TTIFFLZW d;
    int32_t n = 0;
    const Bytes whole = PackMSB({{256, 9}, {'a', 9}, {'b', 9}, {258, 9}});
    const Bytes out = Unpack(d, Bytes(whole.begin(), whole.end() - 1), 16, &n);
    EXPECT_EQ(std::string(out.begin(), out.begin() + n), "ab");
}

TEST(GIFLZW, SmallCodeSizeAndGrowth)
{
    // Initial code size 2: clear 4, end 5, first width 3; entry 7 made -> width 4.
    TGIFLZW d;
    d.InitialCodeSize = 2;
    const Bytes in = PackLSB({{4, 3}, {1, 3}, {2, 3}, {6, 3}, {8, 4}, {3, 4}, {5, 4}});
    int32_t n = 0;
    const Bytes out = Unpack(d, in, 32, &n);
    // 1, 2, "12", code 8 is being made: "12" + '1', then 3
    EXPECT_EQ(Bytes(out.begin(), out.begin() + n), (Bytes{1, 2, 1, 2, 1, 2, 1, 3}));
}

TEST(GIFLZW, FullTableNeverPointsToItself)
{
    // Fill the table, then send the last code twice: with the table full it must not
    // be entered again (the old decoder made 4095 its own prefix and hung).
    TGIFLZW d;
    d.InitialCodeSize = 8;
    std::vector<std::pair<unsigned, unsigned>> codes{{256, 9}};
    unsigned next = 258, width = 9;
    for (int i = 0; i < 3900; ++i) {
        codes.push_back({unsigned(i % 200), width});
        if (i > 0 && next < 4096) {
            if (next == (1u << width) - 1 && width < 12)
                ++width;
            ++next;
        }
    }
    codes.push_back({4095, 12});
    codes.push_back({4095, 12});
    codes.push_back({4095, 12});
    int32_t n = 0;
    Unpack(d, PackLSB(codes), 1 << 20, &n);
    EXPECT_GT(n, 3900);
}

TEST(GIFLZW, CodeSizeAboveElevenIsRefused)
{
    TGIFLZW d;
    d.InitialCodeSize = 12;
    EXPECT_EQ(ErrorOf(d, Bytes{0, 0, 0}, 10), "GIF LZW: invalid opcode.");
    d.InitialCodeSize = 8;
    EXPECT_EQ(ErrorOf(d, PackLSB({{256, 9}, {'x', 9}, {300, 9}}), 10), "GIF LZW: invalid opcode.");
}

TEST(GIFLZW, CodesRunAcrossThePiecesOfTheData)
{
    // Literal codes after a clear, the width growing as the table fills, and strings of
    // earlier codes now and then (the one being made among them): decoded in pieces of a few
    // bytes, handed over as each runs out, they give what the whole data gives.
    for (const unsigned codeSize : {2u, 5u, 8u, 11u}) {
        SCOPED_TRACE(codeSize);
        const unsigned clear = 1u << codeSize;
        std::vector<std::pair<unsigned, unsigned>> codes{{clear, codeSize + 1}};
        unsigned next = clear + 2, width = codeSize + 1;
        for (unsigned i = 0; i < 3000; ++i) {
            unsigned code = (i * 7 + 3) % clear;
            if (i % 5 == 4 && next > clear + 3)
                code = (i % 10 == 4 && next < 4096) ? next : clear + 2 + i % (next - clear - 2);
            codes.push_back({code, width});
            if (i > 0 && next < 4096) {
                if (next == (1u << width) - 1 && width < 12)
                    ++width;
                ++next;
            }
        }
        codes.push_back({clear + 1, width});
        const Bytes packed = PackLSB(codes);

        TGIFLZW whole;
        whole.InitialCodeSize = uint8_t(codeSize);
        int32_t wholeCount = 0;
        const Bytes want = Unpack(whole, packed, 1 << 20, &wholeCount);
        ASSERT_GT(wholeCount, 3000);
        for (const size_t pieceSize : {size_t(1), size_t(2), size_t(3), size_t(5), size_t(4096)}) {
            SCOPED_TRACE(pieceSize);
            TGIFLZW d;
            d.InitialCodeSize = uint8_t(codeSize);
            size_t at = 0;
            Bytes piece;
            d.More = [&](const uint8_t*& s, const uint8_t*& sEnd) {
                // A fresh copy each time: the decoder may not look back into an old piece.
                piece.assign(packed.begin() + at, packed.begin() + std::min(packed.size(), at + pieceSize));
                at += piece.size();
                s = piece.data();
                sEnd = s + piece.size();
                return !piece.empty();
            };
            const uint8_t* s = nullptr;
            const uint8_t* sEnd = nullptr;
            ASSERT_TRUE(d.More(s, sEnd));
            Bytes out(1 << 20, 0xEE);
            const int32_t n = d.Decode(s, out.data(), int32_t(sEnd - s), int32_t(out.size()));
            EXPECT_EQ(n, wholeCount);
            EXPECT_TRUE(std::equal(out.begin(), out.begin() + n, want.begin()));
        }
    }
}

namespace lzwround {

// An LZW encoder of either flavour, kept as plain as can be: codes of the widths the decoder
// expects (TIFF's growing one code early), the table full at 4096 entries. With clearWhenFull a
// clear code is sent as the table fills, as libtiff does; without, the full table goes on being
// used with 12-bit codes, as GIF encoders may.
Bytes Encode(const Bytes& in, bool tiff, unsigned codeSize, bool clearWhenFull)
{
    const unsigned clear = 1u << codeSize, end = clear + 1;
    std::map<std::pair<unsigned, uint8_t>, unsigned> table;
    std::vector<std::pair<unsigned, unsigned>> codes;
    unsigned width = codeSize + 1, next = clear + 2, decoderNext = clear + 2;
    bool first = true; // the next code sent is the first after a clear
    auto send = [&](unsigned code) {
        codes.push_back({code, width});
        if (code == clear) {
            table.clear();
            width = codeSize + 1;
            next = decoderNext = clear + 2;
            first = true;
            return;
        }
        // The decoder makes an entry on every code but the first after a clear.
        if (!first && decoderNext < 4096) {
            if (tiff) {
                if (++decoderNext == (1u << width) - 1 && width < 12)
                    ++width;
            } else {
                if (decoderNext == (1u << width) - 1 && width < 12)
                    ++width;
                ++decoderNext;
            }
        }
        first = false;
    };
    send(clear);
    int w = -1;
    for (const uint8_t c : in) {
        if (w < 0) {
            w = c;
            continue;
        }
        const auto it = table.find({unsigned(w), c});
        if (it != table.end()) {
            w = int(it->second);
            continue;
        }
        send(unsigned(w));
        if (next < 4096)
            table[{unsigned(w), c}] = next++;
        if (clearWhenFull && next >= 4094)
            send(clear);
        w = c;
    }
    if (w >= 0)
        send(unsigned(w));
    send(end);
    return tiff ? PackMSB(codes) : PackLSB(codes);
}

Bytes Decoded(bool tiff, unsigned codeSize, const Bytes& packed, size_t outSize, int32_t* n)
{
    TTIFFLZW t;
    TGIFLZW g;
    g.InitialCodeSize = uint8_t(codeSize);
    TDecoder& d = tiff ? static_cast<TDecoder&>(t) : g;
    return Unpack(d, packed, outSize, n);
}

} // namespace lzwround

TEST(LZW, EncodedDataDecodesBackWhateverTheStrings)
{
    // Strings of one to hundreds of bytes (runs make the code being made, long ones), a table
    // that fills and is cleared or kept full, codes of every width. Decoded whole, cut at the
    // end of the output anywhere (inside a string too), or with the data cut inside a code:
    // the bytes given are the data's (the sanitizer build sees that none is written past the
    // output).
    Bytes random(30000), runs, pattern, mixed;
    uint32_t seed = 1;
    for (uint8_t& b : random) {
        seed = seed * 1103515245 + 12345;
        b = uint8_t(seed >> 16);
    }
    for (int r = 0; r < 60; ++r)
        runs.insert(runs.end(), size_t(1 + r * r * 7 % 900), uint8_t(r % 3));
    for (int i = 0; i < 20000; ++i)
        pattern.push_back(uint8_t("the quick brown fox jumps over the lazy dog"[i % 37]));
    for (int i = 0; i < 6; ++i) {
        mixed.insert(mixed.end(), random.begin() + i * 1000, random.begin() + i * 1000 + 700);
        mixed.insert(mixed.end(), runs.begin(), runs.begin() + 3000);
        mixed.insert(mixed.end(), pattern.begin(), pattern.begin() + 500);
    }
    const std::pair<const char*, const Bytes*> inputs[] = {
        {"random", &random}, {"runs", &runs}, {"pattern", &pattern}, {"mixed", &mixed}};
    for (const auto& [what, input] : inputs) {
        for (const bool tiff : {true, false}) {
            for (const bool clearWhenFull : {true, false}) {
                SCOPED_TRACE(std::string(what) + (tiff ? " TIFF" : " GIF") +
                             (clearWhenFull ? " cleared" : " full"));
                const Bytes& in = *input;
                const Bytes packed = lzwround::Encode(in, tiff, 8, clearWhenFull);
                int32_t n = 0;
                Bytes out = lzwround::Decoded(tiff, 8, packed, in.size() + 64, &n);
                ASSERT_EQ(size_t(n), in.size());
                ASSERT_TRUE(std::equal(in.begin(), in.end(), out.begin()));
                for (const size_t cut : {size_t(1), size_t(7), size_t(17), in.size() / 3, in.size() - 1}) {
                    SCOPED_TRACE(cut);
                    out = lzwround::Decoded(tiff, 8, packed, cut, &n);
                    ASSERT_EQ(size_t(n), cut);
                    ASSERT_TRUE(std::equal(out.begin(), out.end(), in.begin()));
                }
                for (const size_t cut : {size_t(3), size_t(9), packed.size() / 2 + 1, packed.size() - 3}) {
                    SCOPED_TRACE(cut);
                    const Bytes part(packed.begin(), packed.begin() + std::ptrdiff_t(cut));
                    out = lzwround::Decoded(tiff, 8, part, in.size() + 64, &n);
                    ASSERT_LT(size_t(n), in.size());
                    ASSERT_TRUE(std::equal(out.begin(), out.begin() + n, in.begin()));
                }
            }
        }
    }
}

TEST(LZW, SmallCodeSizesAndTheLastCodesOfTheTable)
{
    // GIF's small alphabets, and data whose strings reach the last entries (4094, 4095) and
    // come back to them once the table is full.
    Bytes small;
    for (int i = 0; i < 40000; ++i)
        small.push_back(uint8_t((i * i / 7 + i / 100) % 4));
    for (const unsigned codeSize : {2u, 3u, 7u}) {
        SCOPED_TRACE(codeSize);
        Bytes in = small;
        for (uint8_t& b : in)
            b = uint8_t(b % (1u << codeSize));
        for (const bool clearWhenFull : {true, false}) {
            const Bytes packed = lzwround::Encode(in, false, codeSize, clearWhenFull);
            int32_t n = 0;
            const Bytes out = lzwround::Decoded(false, codeSize, packed, in.size(), &n);
            ASSERT_EQ(size_t(n), in.size());
            EXPECT_EQ(out, in);
        }
    }
}

TEST(RunLengthDecoders, PacketsAndBounds)
{
    struct Case {
        const char* what;
        TDecoder* decoder;
        Bytes in;
        size_t outSize;
        Bytes want;
    };
    TPackbitsRLE packbits;
    TPCXRLE pcx;
    TSGIRLE sgi;
    TSGIRLE sgi16;
    sgi16.SampleSize = 2;
    TRLADecoder rla;
    const std::vector<Case> cases = {
        {"packbits literal and run", &packbits, {2, 1, 2, 3, 0xFE, 9}, 6, {1, 2, 3, 9, 9, 9}},
        {"packbits -128 is skipped", &packbits, {0x80, 0, 7}, 1, {7}},
        {"packbits run cut at the end", &packbits, {0x81, 5}, 4, {5, 5, 5, 5}},
        {"packbits literal past the input", &packbits, {5, 1, 2}, 4, {1, 2, 0xEE, 0xEE}},
        {"pcx count 0 writes nothing", &pcx, {0xC0, 0x55, 0xC2, 7}, 2, {7, 7}},
        {"pcx run cut at the end", &pcx, {0xFF, 1}, 3, {1, 1, 1}},
        {"pcx literal", &pcx, {0x10, 0x3F}, 2, {0x10, 0x3F}},
        {"sgi copy and run", &sgi, {0x82, 1, 2, 0x03, 9, 0}, 5, {1, 2, 9, 9, 9}},
        {"sgi run cut at the row", &sgi, {0x7F, 4, 0}, 3, {4, 4, 4}},
        {"sgi 16-bit keeps high bytes", &sgi16, {0, 0x82, 1, 0, 2, 0, 0, 2, 7, 8, 0, 0}, 4, {1, 2, 7, 7}},
        {"rla run and copy", &rla, {1, 5, 0xFE, 7, 8}, 4, {5, 5, 7, 8}},
        {"rla run cut at the end", &rla, {0x7F, 5}, 3, {5, 5, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Unpack(*c.decoder, c.in, c.outSize), c.want);
    }
}

TEST(RunLengthDecoders, CUTMovesThroughRows)
{
    TCUTRLE cut;
    // Two rows: each a 2-byte length, packets, and a zero. The first row's data would
    // overrun a 2-byte row; it is cut but still parsed to its end.
    const Bytes in = {5, 0, 0x83, 4, 0x01, 9, 0, 3, 0, 0x02, 1, 2, 0};
    const uint8_t* src = in.data();
    Bytes row(2, 0);
    EXPECT_EQ(cut.Decode(src, row.data(), int32_t(in.size()), 2), 2);
    EXPECT_EQ(row, (Bytes{4, 4}));
    EXPECT_EQ(src, in.data() + 7);
    EXPECT_EQ(cut.Decode(src, row.data(), int32_t(in.data() + in.size() - src), 2), 2);
    EXPECT_EQ(row, (Bytes{1, 2}));
    EXPECT_EQ(src, in.data() + in.size());
}

TEST(TargaRLE, DecodeReportsWhatItTook)
{
    const Bytes in = {0x82, 1, 2, 3, 0x00, 4, 5, 6, 0xFF};
    Bytes out(12, 0);
    uint32_t produced = 0;
    EXPECT_EQ(DecodeRLE(in.data(), uint32_t(in.size()), out.data(), 12, 24, &produced), 8u);
    EXPECT_EQ(produced, 12u);
    EXPECT_EQ(out, (Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3, 4, 5, 6}));
    // Unknown depth: nothing.
    EXPECT_EQ(DecodeRLE(in.data(), uint32_t(in.size()), out.data(), 12, 12), 0u);
    // A run longer than the output stops at Count; a pixel cut by the input's end is not used.
    EXPECT_EQ(DecodeRLE(in.data(), 3, out.data(), 12, 24, &produced), 1u);
    EXPECT_EQ(produced, 0u);
}

TEST(TargaRLE, PacketsCarryAcrossRowsDecodedOneByOne)
{
    // Rows of 3 grey pixels: a raw packet of 5, a run of 4 (crossing into a third row), one raw.
    const Bytes in = {0x04, 1, 2, 3, 4, 5, 0x83, 9, 0x00, 7};
    TTargaPacket carry;
    Bytes rows;
    uint32_t at = 0;
    for (int r = 0; r < 3; ++r) {
        Bytes row(3, 0);
        uint32_t produced = 0;
        at += DecodeRLE(in.data() + at, uint32_t(in.size()) - at, row.data(), 3, 8, &produced, &carry);
        EXPECT_EQ(produced, 3u) << r;
        rows.insert(rows.end(), row.begin(), row.end());
    }
    EXPECT_EQ(rows, (Bytes{1, 2, 3, 4, 5, 9, 9, 9, 9}));
    EXPECT_EQ(at, 8u);   // the last row ended inside the run; the raw packet is still to come
    Bytes last(1, 0);
    EXPECT_EQ(DecodeRLE(in.data() + at, uint32_t(in.size()) - at, last.data(), 1, 8, nullptr, &carry), 2u);
    EXPECT_EQ(last[0], 7);
    // Data that ends inside a carried raw packet produces only what is there.
    const Bytes cut = {0x05, 1, 2, 3, 4};
    carry = TTargaPacket();
    Bytes row(3, 0);
    uint32_t produced = 0;
    at = DecodeRLE(cut.data(), uint32_t(cut.size()), row.data(), 3, 8, &produced, &carry);
    EXPECT_EQ(DecodeRLE(cut.data() + at, uint32_t(cut.size()) - at, row.data(), 3, 8, &produced, &carry), 1u);
    EXPECT_EQ(produced, 1u);
}

// Random packet streams of mostly short items, the kind a photograph reduced to a palette gives,
// with long ones among them: the decoders against the plain expansion of the same items.
TEST(RunLengthDecoders, ShortAndLongItemsOfOneBytePixels)
{
    uint32_t seed = 12345;
    const auto next = [&](uint32_t below) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % below;
    };
    const auto length = [&](uint32_t longest) { return 1 + (next(8) == 0 ? next(longest) : next(4)); };
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        Bytes pcx, targa, pcxPixels, targaPixels;
        while (targaPixels.size() < 3000) {
            const uint32_t n = length(128);
            if (next(3) == 0) {
                targa.push_back(uint8_t(n - 1));
                for (uint32_t i = 0; i < n; ++i) {
                    targa.push_back(uint8_t(next(256)));
                    targaPixels.push_back(targa.back());
                }
            } else {
                targa.push_back(uint8_t(0x80 | (n - 1)));
                targa.push_back(uint8_t(next(256)));
                targaPixels.insert(targaPixels.end(), n, targa.back());
            }
        }
        while (pcxPixels.size() < 3000) {
            const uint8_t value = uint8_t(next(256));
            if (next(3) == 0 && value < 0xC0) {
                pcx.push_back(value);
                pcxPixels.push_back(value);
            } else {
                const uint32_t n = next(16) == 0 ? 0 : length(63); // a count of 0 gives nothing
                pcx.push_back(uint8_t(0xC0 | n));
                pcx.push_back(value);
                pcxPixels.insert(pcxPixels.end(), n, value);
            }
        }
        // Whole and cut short at a random place: what the data holds, nothing written past it.
        for (const size_t cut : {size_t(0), size_t(1 + next(uint32_t(pcx.size() - 1)))}) {
            const Bytes in(pcx.begin(), pcx.end() - cut);
            Bytes want;
            for (size_t i = 0; i < in.size(); ++i) {
                if (in[i] < 0xC0) {
                    want.push_back(in[i]);
                } else if (i + 1 < in.size()) {
                    want.insert(want.end(), in[i] & 0x3F, in[i + 1]);
                    ++i;
                }
            }
            Bytes out(pcxPixels.size() + 64, 0xEE);
            const uint8_t* src = in.data();
            TPCXRLE decoder;
            const int32_t got = decoder.Decode(src, out.data(), int32_t(in.size()), int32_t(pcxPixels.size()));
            want.resize(std::min(want.size(), pcxPixels.size()));
            ASSERT_EQ(size_t(got), want.size());
            EXPECT_TRUE(std::equal(want.begin(), want.end(), out.begin()));
            EXPECT_TRUE(std::all_of(out.begin() + ptrdiff_t(pcxPixels.size()), out.end(), [](uint8_t b) { return b == 0xEE; }));
        }
        // Targa rows of an odd width, one call each, packets running across their ends; bytes
        // just past a row belong to another row and are never written.
        const uint32_t width = 37;
        TTargaPacket carry;
        uint32_t at = 0;
        for (uint32_t row = 0; (row + 1) * width <= targaPixels.size(); ++row) {
            Bytes out(width + 32, 0xEE);
            uint32_t produced = 0;
            at += DecodeRLE(targa.data() + at, uint32_t(targa.size()) - at, out.data(), width, 8, &produced, &carry);
            ASSERT_EQ(produced, width) << row;
            EXPECT_TRUE(std::equal(out.begin(), out.begin() + width, targaPixels.begin() + ptrdiff_t(row * width))) << row;
            EXPECT_TRUE(std::all_of(out.begin() + width, out.end(), [](uint8_t b) { return b == 0xEE; })) << row;
        }
    }
}

TEST(TargaRLE, EncodePackets)
{
    Bytes four = {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3};
    Bytes out(32);
    EXPECT_EQ(EncodeRLE(four.data(), out.data(), 4, 3), 4);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 4), (Bytes{0x83, 1, 2, 3}));

    Bytes three = {1, 1, 1, 2, 2, 2, 3, 3, 3};
    EXPECT_EQ(EncodeRLE(three.data(), out.data(), 3, 3), 11);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 11), (Bytes{0x01, 1, 1, 1, 2, 2, 2, 0x00, 3, 3, 3}));

    // Round trip with runs longer than a packet and a worst case for the buffer size.
    Bytes pixels;
    for (int i = 0; i < 300; ++i)
        pixels.push_back(uint8_t(i < 200 ? 7 : i));
    Bytes packed(2 * pixels.size());
    const int32_t n = EncodeRLE(pixels.data(), packed.data(), int32_t(pixels.size()), 1);
    Bytes back(pixels.size());
    EXPECT_EQ(DecodeRLE(packed.data(), uint32_t(n), back.data(), uint32_t(back.size()), 8), uint32_t(n));
    EXPECT_EQ(back, pixels);
}
