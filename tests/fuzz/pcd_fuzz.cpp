// Feeds arbitrary bytes to the Photo-CD reader: it must give a picture or its message, nothing else.
#include "fuzz_target.h"

#include "imageformats/pcd_graphic.h"
#include "imageformats/picture_error.h"
#include "platform/bitmap.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

KORVANE_FUZZ_TARGET(pcd)
{
    try {
        // A pack is large: the input's first bytes choose rotation, resolution and length, the
        // rest fills the start of the chosen image area of a pack with its signature.
        if (size < 4)
            return 0;
        static const uint32_t offsets[3] = {8192, 47104, 196608};
        const int resolution = data[1] % 4;
        std::vector<uint8_t> pack(196608 + 768 * 3 * 256, 0x80);
        std::memcpy(pack.data() + 2048, "PCD_IPI", 7);
        pack[194635] = data[0];
        const size_t length = pack.size() - (size_t(data[2]) << 12) - data[3];
        const size_t at = offsets[resolution % 3];
        std::memcpy(pack.data() + at, data + 4, std::min(size - 4, pack.size() - at));
        imgread::DecodePCD(pack.data(), length, resolution);
    } catch (const EPictureError&) {
    }
    return 0;
}
