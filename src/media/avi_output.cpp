// CAVIOutput.
#include "media/avi_output.h"

#include "common/engine_texts.h"
#include "platform/media_player.h"
#include "platform/window.h"

namespace advplay::media {

void CAVIOutput::SetFile(std::string_view path)
{
    // The quotes keep a path with spaces one name. Built in a fresh string: GCC 12 misreads the
    // appends to a string just assigned a literal as overlapping copies (-Wrestrict).
    std::string file;
    file.reserve(path.size() + 2);
    file.push_back('"');
    file.append(path);
    file.push_back('"');
    m_file = std::move(file);
    (void)Close();
}

int CAVIOutput::Open()
{
    if (m_device != kClosed)
        return 0;
    platform::MediaPlayer* player = m_link.player;
    // Without SetFile there are not even the quotes, and there is no movie to open.
    std::string_view const path
        = m_file.size() >= 2 ? std::string_view(m_file).substr(1, m_file.size() - 2) : std::string_view();
    auto const host = m_link.host_path(path);
    platform::MediaId const id = player && host ? player->open_movie(*host) : platform::kNoMedia;
    if (id == platform::kNoMedia) {
        m_link.report(texts::kAviOpenFailed.sjis);
        return 1;
    }
    m_device = id;
    if (!player->set_movie_window(id, m_window)) {
        m_link.report(texts::kAviWindowFailed.sjis);
        return 2;
    }
    if (!player->fill_movie_window(id)) {
        m_link.report(texts::kAviDestinationFailed.sjis);
        return 2;
    }
    return 0;
}

int CAVIOutput::Play()
{
    if (Open() != 0)
        return 1;
    (void)Stop();
    // A repeating movie never ends by itself, so it asks for no report.
    if (!m_link.player->play_movie(m_device, m_repeat, m_repeat ? nullptr : m_window)) {
        m_link.report(texts::kAviPlayFailed.sjis);
        return 2;
    }
    m_playing = true;
    return 0;
}

int CAVIOutput::Stop()
{
    if (m_device == kClosed)
        return 1;
    if (!m_playing)
        return 0;
    if (!m_link.player->stop(m_device, m_window)) {
        m_link.report(texts::kAviStopFailed.sjis);
        return 2;
    }
    m_playing = false;
    return 0;
}

int CAVIOutput::Close()
{
    if (m_device == kClosed)
        return 0;
    if (m_playing)
        (void)Stop();
    if (!m_link.player->close(m_device)) {
        m_link.report(texts::kAviCloseFailed.sjis);
        return 1;
    }
    m_device = kClosed;
    return 0;
}

int CAVIOutput::Notify(platform::DeviceNotice notice, int device)
{
    if (device != m_device || m_device == kClosed || notice != platform::DeviceNotice::Successful)
        return 1;
    m_playing = false;
    return 0;
}

} // namespace advplay::media
