#include "platform/large_memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>
#include <sys/mman.h>
#include <unistd.h>

// A block of some megabytes costs the memory asked for, not the rest of the last huge page it
// is cut from: with every asked-for byte written, the pages past them are still not mapped.
TEST(LargeMemory, ABlockCostsWhatIsAskedNotTheRestOfItsLastHugePage)
{
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const size_t hugePage = size_t(2) << 20;
    const size_t asked = 9 * hugePage + 5 * page; // a size no other block of these tests has
    auto* const block = static_cast<uint8_t*>(AllocateLarge(asked));
    std::memset(block, 1, asked);
    const size_t askedPages = (asked + page - 1) / page;
    std::vector<unsigned char> resident(10 * hugePage / page);
    ASSERT_EQ(mincore(block, 10 * hugePage, resident.data()), 0);
    size_t inRequest = 0, beyond = 0;
    for (size_t i = 0; i < resident.size(); ++i)
        (i < askedPages ? inRequest : beyond) += resident[i] & 1;
    EXPECT_EQ(inRequest, askedPages);
    EXPECT_EQ(beyond, 0u);
    FreeLarge(block);
}
