// The side-bar list's item-drag payload over arbitrary bytes another program may offer.
#include "bars/sb_list_view.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const std::optional<TSBItemDragData> decoded = DecodeItemDragData(bytes);
    // A record that decodes names a list and an item, and encodes back to the same bytes.
    if (decoded && (decoded->itemIndex < 0 || decoded->listSerial == 0 || EncodeItemDragData(*decoded) != bytes))
        __builtin_trap();
    return 0;
}
