// Drives every decoder of the picture readers with arbitrary data and output sizes: none may
// read or write outside the buffers it was given (the sanitizers watch), or report more
// output than it had room for.
#include "fuzz_target.h"

#include "imageformats/picture_compression.h"
#include "imageformats/picture_error.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

KORVANE_FUZZ_TARGET(picture_compression)
{
    if (size < 4)
        return 0;
    const int which = data[0] % 9;
    const int32_t unpacked = int32_t((data[1] << 8) | data[2]);
    const uint8_t extra = data[3];
    // Exactly sized copies, so any overrun is seen.
    const std::vector<uint8_t> packed(data + 4, data + size);
    auto source = std::make_unique<uint8_t[]>(packed.size() + 1);
    std::copy(packed.begin(), packed.end(), source.get());
    auto dest = std::make_unique<uint8_t[]>(size_t(unpacked) + 1);
    const int32_t packedSize = int32_t(packed.size());

    std::unique_ptr<TDecoder> decoder;
    switch (which) {
    case 0: decoder = std::make_unique<TTIFFLZW>(); break;
    case 1: {
        auto gif = std::make_unique<TGIFLZW>();
        gif->InitialCodeSize = uint8_t(extra % 13);
        decoder = std::move(gif);
        break;
    }
    case 2: decoder = std::make_unique<TPackbitsRLE>(); break;
    case 3: decoder = std::make_unique<TPCXRLE>(); break;
    case 4: {
        auto sgi = std::make_unique<TSGIRLE>();
        sgi->SampleSize = 1 + (extra & 1);
        decoder = std::move(sgi);
        break;
    }
    case 5: decoder = std::make_unique<TCUTRLE>(); break;
    case 6: decoder = std::make_unique<TRLADecoder>(); break;
    default: break;
    }
    if (decoder) {
        try {
            const uint8_t* s = source.get();
            const int32_t got = decoder->Decode(s, dest.get(), packedSize, unpacked);
            if (got < 0 || got > unpacked || s < source.get() || s > source.get() + packed.size())
                std::abort();
        } catch (const EPictureError&) {
        }
        return 0;
    }
    if (which == 7) {
        static const uint32_t depths[] = {8, 15, 16, 24, 32, 12};
        uint32_t produced = 0;
        const uint32_t taken = DecodeRLE(source.get(), uint32_t(packed.size()), dest.get(), uint32_t(unpacked),
                                         depths[extra % 6], &produced);
        if (taken > packed.size() || produced > uint32_t(unpacked))
            std::abort();
        return 0;
    }
    // Targa encoding: what is encoded decodes back to the same pixels.
    const int bpp = 1 + extra % 4;
    const int32_t count = int32_t(packed.size()) / bpp;
    if (count == 0)
        return 0;
    std::vector<uint8_t> encoded(size_t(2 * count * bpp + 2));
    const int32_t n = EncodeRLE(source.get(), encoded.data(), count, bpp);
    if (n <= 0 || size_t(n) > encoded.size())
        std::abort();
    std::vector<uint8_t> back(size_t(count * bpp));
    uint32_t produced = 0;
    const uint32_t taken = DecodeRLE(encoded.data(), uint32_t(n), back.data(), uint32_t(back.size()),
                                     uint32_t(bpp == 2 ? 16 : bpp * 8), &produced);
    if (taken != uint32_t(n) || produced != back.size()
        || !std::equal(back.begin(), back.end(), source.get()))
        std::abort();
    return 0;
}
