// Where the picture lies in windows of every size and density, and where clicks land on it.
#include "platform/picture_fit.h"

#include <gtest/gtest.h>

namespace advplay::platform {
namespace {

struct Client {
    std::int32_t x;
    std::int32_t y;
    bool operator==(const Client&) const = default;
};

Client client_of(const WindowGeometry& geometry, int x, int y)
{
    Client client {};
    window_to_client(geometry, x, y, client.x, client.y);
    return client;
}

TEST(PictureFit, AScaleThatDoesNotFitTheDesktopComesDownToOneThatDoes)
{
    // 1920 x 1080 with a task bar: scale 3 (1920 x 1440) would put the message window off screen.
    EXPECT_EQ(fitting_scale(3, 1920, 1040, 64, 2), 2);
    EXPECT_EQ(fitting_scale(2, 1920, 1040, 64, 2), 2);
    EXPECT_EQ(fitting_scale(4, 3840, 2100, 64, 2), 4);
    // The frame counts: 480 * 2 + 64 is one pixel more than the desktop has.
    EXPECT_EQ(fitting_scale(2, 1280, 1023, 64, 2), 1);
    EXPECT_EQ(fitting_scale(2, 1279, 1200, 64, 2), 1);
    // Nothing fits a desktop smaller than the picture, and scale 1 is still the least.
    EXPECT_EQ(fitting_scale(3, 800, 400, 64, 2), 1);
    // No scale asked for: the largest that fits, up to the default's limit.
    EXPECT_EQ(fitting_scale(0, 3840, 2100, 64, 2), 2);
    EXPECT_EQ(fitting_scale(0, 1024, 768, 64, 2), 1);
}

TEST(PictureFit, IntegerScalesFillTheWindow)
{
    EXPECT_EQ(fit_picture(640, 480).w, 640);
    PictureRect const doubled = fit_picture(1280, 960);
    EXPECT_EQ(doubled.x, 0);
    EXPECT_EQ(doubled.w, 1280);
    EXPECT_EQ(doubled.h, 960);
}

TEST(PictureFit, WideScreensGetBarsLeftAndRightTallOnesAboveAndBelow)
{
    PictureRect const wide = fit_picture(1920, 1080);
    EXPECT_EQ(wide.x, 240);
    EXPECT_EQ(wide.y, 0);
    EXPECT_EQ(wide.w, 1440);
    EXPECT_EQ(wide.h, 1080);
    PictureRect const tall = fit_picture(1080, 1920);
    EXPECT_EQ(tall.x, 0);
    EXPECT_EQ(tall.w, 1080);
    EXPECT_EQ(tall.h, 810);
    EXPECT_EQ(tall.y, (1920 - 810) / 2);
}

TEST(PictureFit, ClicksLandOnTheSameClientPixelAtEveryScaleAndDensity)
{
    WindowGeometry const plain { 640, 480, 640, 480 };
    WindowGeometry const doubled { 1280, 960, 1280, 960 };
    // A high-density display: the window is 1280 x 960 points and 2560 x 1920 pixels.
    WindowGeometry const dense { 1280, 960, 2560, 1920 };
    WindowGeometry const full { 1920, 1080, 1920, 1080 };
    WindowGeometry const dense_full { 1920, 1080, 3840, 2160 };
    EXPECT_EQ(client_of(plain, 123, 45), (Client { 123, 45 }));
    EXPECT_EQ(client_of(doubled, 247, 91), (Client { 123, 45 }));
    EXPECT_EQ(client_of(dense, 246, 90), (Client { 123, 45 }));
    EXPECT_EQ(client_of(full, 240 + 277, 102), (Client { 123, 45 }));
    EXPECT_EQ(client_of(dense_full, 240 + 277, 102), (Client { 123, 45 }));
    // The bars lie outside the picture.
    Client const left_bar = client_of(full, 100, 500);
    EXPECT_LT(left_bar.x, 0);
    Client const right_bar = client_of(full, 1900, 500);
    EXPECT_GE(right_bar.x, 640);
}

TEST(PictureFit, ClientPointsRoundTripThroughTheWindow)
{
    for (WindowGeometry const geometry :
        { WindowGeometry { 640, 480, 640, 480 }, WindowGeometry { 1280, 960, 1280, 960 },
            WindowGeometry { 1280, 960, 2560, 1920 }, WindowGeometry { 1920, 1080, 1920, 1080 },
            WindowGeometry { 1366, 768, 1366, 768 }, WindowGeometry { 800, 600, 1600, 1200 } }) {
        for (std::int32_t x : { 0, 1, 319, 638, 639 }) {
            for (std::int32_t y : { 0, 1, 240, 479 }) {
                int window_x = 0;
                int window_y = 0;
                client_to_window(geometry, x, y, window_x, window_y);
                EXPECT_EQ(client_of(geometry, window_x, window_y), (Client { x, y }))
                    << geometry.window_w << "x" << geometry.window_h << " at " << x << "," << y;
            }
        }
    }
}

} // namespace
} // namespace advplay::platform
