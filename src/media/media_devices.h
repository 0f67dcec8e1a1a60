// MediaDevices: the engine's three media players and the link they share, with what the frame loop
// and start-up do with them.
#pragma once

#include "media/avi_output.h"
#include "media/cd_audio.h"
#include "media/device_link.h"
#include "media/mp3_output.h"

namespace advplay {
class Engine;
}

namespace advplay::media {

struct MediaDevices {
    MediaDevices(platform::Files& files, platform::Clock& clock, InternalErrorLog& errors)
        : link(files, clock, errors)
    {
    }

    DeviceLink link;
    CAVIOutput movie { link };
    CCDDA cd { link };
    CMIDIOutput mp3 { link };
};

// Start-up, once the main window exists: the players report to it and the movie shows in it.
void connect_devices(Engine& engine);

// A device notification from the window's queue, offered to the CD player, the MP3 player and the
// movie player in turn until one claims it. False when none does (it was for a medium closed since).
bool route_notification(Engine& engine, platform::DeviceNotice notice, int device);

// The frame loop's share of the media: what is due on the main thread (the movie's picture of the
// moment, reports that no other thread posts).
void update_media(Engine& engine);

} // namespace advplay::media
