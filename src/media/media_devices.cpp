// The engine's media players: connecting them, their notifications, their share of the frame loop.
#include "media/media_devices.h"

#include "engine/engine.h"
#include "platform/media_player.h"

namespace advplay::media {

void connect_devices(Engine& engine)
{
    platform::Window* window = &engine.platform.window;
    engine.media.cd.SetWindow(window);
    engine.media.mp3.SetWindow(window);
    engine.media.movie.SetWindow(window);
}

bool route_notification(Engine& engine, platform::DeviceNotice notice, int device)
{
    MediaDevices& media = engine.media;
    return media.cd.Notify(notice, device) == 0 || media.mp3.Notify(notice, device) == 0
        || media.movie.Notify(notice, device) == 0;
}

void update_media(Engine& engine)
{
    if (engine.media.link.player)
        engine.media.link.player->update();
}

} // namespace advplay::media
