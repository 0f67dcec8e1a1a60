// CMIDIOutput.
#include "media/mp3_output.h"

#include "common/engine_texts.h"
#include "platform/media_player.h"
#include "platform/window.h"

namespace advplay::media {

void CMIDIOutput::SetFile(std::string_view path)
{
    m_file = path;
    (void)Close();
}

int CMIDIOutput::Open()
{
    if (m_device != kClosed)
        return 0;
    auto const host = m_link.host_path(m_file);
    platform::MediaId const id
        = m_link.player && host ? m_link.player->open_music(*host) : platform::kNoMedia;
    if (id == platform::kNoMedia) {
        m_link.report(texts::kMp3OpenFailed.sjis);
        return 1;
    }
    m_device = id;
    return 0;
}

int CMIDIOutput::Play()
{
    if (Open() != 0)
        return 1;
    (void)Stop();
    if (!m_link.player->play_music(m_device, m_window))
        return 2;
    m_playing = true;
    return 0;
}

int CMIDIOutput::Stop()
{
    if (m_device == kClosed)
        return 1;
    if (!m_playing)
        return 0;
    // QUIRK: the position is asked for and not used; when even that fails the music is stopped all
    // the same but still counts as playing.
    if (!m_link.player->position(m_device)) {
        m_link.report(texts::kMp3StatusFailed.sjis);
        (void)m_link.player->stop(m_device, nullptr);
        return 2;
    }
    if (!m_link.player->stop(m_device, nullptr)) {
        m_link.report(texts::kMp3StopFailed.sjis);
        return 2;
    }
    m_playing = false;
    return 0;
}

int CMIDIOutput::Close()
{
    if (m_device == kClosed)
        return 0;
    if (m_playing)
        (void)Stop();
    if (!m_link.player->close(m_device)) {
        m_link.report(texts::kMp3CloseFailed.sjis);
        return 1;
    }
    m_device = kClosed;
    return 0;
}

int CMIDIOutput::Notify(platform::DeviceNotice notice, int device)
{
    if (notice != platform::DeviceNotice::Successful || device != m_device || m_device == kClosed)
        return 1;
    if (m_loop)
        (void)Play();
    else
        (void)Stop();
    return 0;
}

} // namespace advplay::media
