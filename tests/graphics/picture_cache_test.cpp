// PictureCache: most recently used first, eviction from the end, and no decoding twice.
#include "graphics/picture_cache.h"

#include "engine/engine.h"
#include "platform/posix/host_files.h"
#include "support/bitmap_files.h"
#include "support/test_game.h"

#include <gtest/gtest.h>

namespace advplay::graphics {
namespace {

using testing::Bytes;

// A 1 x 1 picture whose only pixel says which one it is.
Bytes picture(std::uint8_t blue)
{
    // Wide enough for the BMP decoder's 54-byte minimum: 2 x 1 at 24 bits.
    return testing::bmp_file({ .width = 2, .height = 1, .bit_count = 24 }, { blue, 0, 0, blue, 0, 0, 0, 0 });
}

class PictureCacheTest : public ::testing::Test {
protected:
    PictureCacheTest()
    {
        for (std::uint8_t i = 1; i <= 3; ++i)
            folder.write("p" + std::to_string(i) + ".bmp",
                testing::text_of(picture(static_cast<std::uint8_t>(i * 8))));
        cache.resize(2);
    }

    testing::TemporaryFolder folder;
    platform::TextEncoding encoding;
    platform::HostFiles files { folder.path().string(), encoding };
    PictureSources sources { files, nullptr, {} };
    PictureCache cache;
};

TEST_F(PictureCacheTest, TheLeastRecentlyUsedPictureIsEvicted)
{
    Surface* p1 = cache.get(sources, "p1.bmp");
    ASSERT_NE(p1, nullptr);
    EXPECT_EQ(p1->at(0, 0), 1);
    Surface* p2 = cache.get(sources, "p2.bmp");
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(p2->at(0, 0), 2);
    EXPECT_EQ(cache.get(sources, "p1.bmp"), p1) << "a hit hands out the same picture";
    EXPECT_EQ(cache.decode_count(), 2u);
    EXPECT_EQ(cache.path(0), "p1.bmp");
    EXPECT_EQ(cache.path(1), "p2.bmp");

    Surface* p3 = cache.get(sources, "p3.bmp");
    ASSERT_NE(p3, nullptr);
    EXPECT_EQ(p3->at(0, 0), 3);
    EXPECT_EQ(cache.decode_count(), 3u);
    EXPECT_EQ(cache.path(0), "p3.bmp");
    EXPECT_EQ(cache.path(1), "p1.bmp") << "P2 went, P1 was used after it";
    EXPECT_EQ(p1->at(0, 0), 1) << "moving entries about never moves a picture";
    EXPECT_EQ(cache.get(sources, "p1.bmp"), p1);
    EXPECT_EQ(cache.decode_count(), 3u);
}

TEST_F(PictureCacheTest, AlternatingTwoPicturesNeverDecodesAgain)
{
    for (int i = 0; i < 50; ++i) {
        ASSERT_NE(cache.get(sources, "p1.bmp"), nullptr);
        ASSERT_NE(cache.get(sources, "p2.bmp"), nullptr);
    }
    EXPECT_EQ(cache.decode_count(), 2u);
    // A third picture in between costs one decode of it and one of the picture it pushed out.
    (void)cache.get(sources, "p3.bmp");
    (void)cache.get(sources, "p1.bmp");
    EXPECT_EQ(cache.decode_count(), 4u);
}

TEST_F(PictureCacheTest, PathsAreComparedByteForByte)
{
    Surface* lower = cache.get(sources, "p1.bmp");
    Surface* upper = cache.get(sources, "P1.BMP");
    ASSERT_NE(upper, nullptr) << "the file system finds it whatever the case";
    EXPECT_NE(lower, upper);
    EXPECT_EQ(cache.decode_count(), 2u);
}

TEST_F(PictureCacheTest, NothingForAnEmptyPathAnEmptyCacheOrAPictureThatDoesNotLoad)
{
    EXPECT_EQ(cache.get(sources, ""), nullptr);
    ASSERT_NE(cache.get(sources, "p1.bmp"), nullptr);
    EXPECT_EQ(cache.get(sources, "missing.bmp"), nullptr);
    EXPECT_EQ(cache.path(0), "p1.bmp") << "a failed load changes nothing";
    EXPECT_EQ(cache.path(1), "");
    EXPECT_EQ(cache.decode_count(), 2u) << "the failed attempt counts";

    cache.resize(0);
    EXPECT_EQ(cache.size(), 0);
    EXPECT_EQ(cache.get(sources, "p1.bmp"), nullptr);
    EXPECT_EQ(cache.decode_count(), 2u) << "a cache without entries decodes nothing";
}

TEST_F(PictureCacheTest, ResizingKeepsTheFrontAndDropsTheEnd)
{
    (void)cache.get(sources, "p1.bmp");
    (void)cache.get(sources, "p2.bmp");
    cache.resize(3);
    EXPECT_EQ(cache.size(), 3);
    EXPECT_EQ(cache.path(0), "p2.bmp");
    EXPECT_EQ(cache.path(1), "p1.bmp");
    EXPECT_EQ(cache.path(2), "");
    (void)cache.get(sources, "p3.bmp");
    EXPECT_EQ(cache.path(2), "p1.bmp") << "the empty entry was the last";
    cache.resize(1);
    EXPECT_EQ(cache.path(0), "p3.bmp");
    EXPECT_EQ(cache.path(1), "");
    EXPECT_NE(cache.get(sources, "p3.bmp"), nullptr);
    EXPECT_EQ(cache.decode_count(), 3u);
    cache.resize(-4);
    EXPECT_EQ(cache.size(), 0);
    EXPECT_EQ(cache.path(-1), "");
}

TEST(PictureCacheInTheEngine, TheEngineHoldsACacheAndTheCodecsToFillIt)
{
    testing::TestGame game;
    Engine& engine = game.engine();
    ASSERT_NE(engine.platform.images, nullptr);
    EXPECT_EQ(engine.graphics.picture_cache.size(), 0) << "start-up gives it its entries";
    engine.graphics.picture_cache.resize(2);
    game.folder().write("data/photo.jpg", std::string(1, '\0'));
    PictureSources const sources { engine.platform.files, engine.platform.images,
        engine.settings.plugin_path };
    EXPECT_EQ(engine.graphics.picture_cache.get(sources, "data\\photo.jpg"), nullptr);
    game.folder().write("data/p.bmp", testing::text_of(picture(8)));
    Surface* surface = engine.graphics.picture_cache.get(sources, "data\\p.bmp");
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->width(), 2);
}

} // namespace
} // namespace advplay::graphics
