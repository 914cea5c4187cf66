// Packing and eviction of the label cache (CPU side: pages are filled
// before any context needs them).
#include <gtest/gtest.h>

#include "engine/render/LabelCache.h"

namespace {

LabelCache::Picture picture(int width, int height) {
    return {width, height, std::vector<uint8_t>(std::size_t(width) * std::size_t(height), 255), -3};
}

}  // namespace

TEST(LabelCache, PacksLabelsAndEmptiesTheOldestPageWhenFull) {
    LabelCache cache(2);
    // 300 x 64 at level 0 pads to 304 x 64: three to a shelf, 16 shelves a page.
    const LabelCache::Slot* first = cache.insert("a0", 0, picture(300, 64), nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->width, 304);
    EXPECT_EQ(first->height, 64);
    EXPECT_EQ(first->originX, -3);
    EXPECT_FLOAT_EQ(first->s1 - first->s0, 304.0f / LabelCache::PAGE_SIZE);
    for (int i = 1; i < 96; ++i)
        ASSERT_NE(cache.insert("a" + std::to_string(i), 0, picture(300, 64), nullptr), nullptr);
    EXPECT_EQ(cache.pageCount(), 2u);
    EXPECT_EQ(cache.size(), 96u);

    // Found at its level or a coarser one asked for; a finer one is a miss.
    ASSERT_NE(cache.find("a60", 0), nullptr);
    EXPECT_NE(cache.find("a60", 2), nullptr);
    EXPECT_EQ(cache.find("b", 0), nullptr);
    // The first page was used longest ago: it goes whole for the next label.
    ASSERT_NE(cache.insert("b", 1, picture(300, 64), nullptr), nullptr);
    EXPECT_EQ(cache.pageCount(), 2u);
    EXPECT_EQ(cache.size(), 49u);
    EXPECT_EQ(cache.find("a0", 0), nullptr);
    EXPECT_NE(cache.find("a60", 0), nullptr);
    EXPECT_NE(cache.find("b", 1), nullptr);
}

TEST(LabelCache, WideLabelsGoCoarserAndTooWideOnesAreRefused) {
    LabelCache cache(1);
    const LabelCache::Slot* wide = cache.insert("w", 0, picture(3000, 64), nullptr);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->level, 2);
    EXPECT_LE(wide->s1 - wide->s0, 1.0f);
    EXPECT_EQ(cache.insert("x", 0, picture(LabelCache::PAGE_SIZE << (LabelCache::COARSEST + 1), 8),
                           nullptr),
              nullptr);
    EXPECT_EQ(cache.insert("e", 0, picture(0, 64), nullptr), nullptr);
}
