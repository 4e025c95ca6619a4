// The side-bar list's item-drag payload over arbitrary bytes another program may offer.
#include "fuzz_target.h"

#include "bars/sb_list_view.h"

#include <cstddef>
#include <cstdint>

KORVANE_FUZZ_TARGET(sb_item_drag)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const std::optional<TSBItemDragData> decoded = DecodeItemDragData(bytes);
    // A record that decodes names a list and an item, and encodes back to the same bytes.
    if (decoded && (decoded->itemIndex < 0 || decoded->listSerial == 0 || EncodeItemDragData(*decoded) != bytes))
        __builtin_trap();
    return 0;
}
