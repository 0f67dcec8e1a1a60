// SdlMessageBox.
#include "platform/sdl/sdl_message_box.h"

#include "platform/sdl/sdl_window.h"

#include <SDL.h>

#include <string>

namespace advplay::platform {

namespace {

// The caption the system gives a box that has none: "エラー" (error).
constexpr char kDefaultCaption[] = "\xE3\x82\xA8\xE3\x83\xA9\xE3\x83\xBC";

} // namespace

SdlMessageBox::SdlMessageBox(const TextEncoding& encoding, const SdlWindow& window)
    : m_encoding(encoding)
    , m_window(window)
{
}

MessageBoxAnswer SdlMessageBox::show(
    std::string_view text, std::optional<std::string_view> caption, MessageBoxButtons buttons)
{
    std::string const message = m_encoding.to_utf8(text);
    std::string const title = caption ? m_encoding.to_utf8(*caption) : std::string(kDefaultCaption);
    SDL_MessageBoxButtonData const ok[] = {
        { SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "OK" },
    };
    // "はい" and "いいえ", as the system's Yes and No read in Japanese; with the English words after
    // them, as the drawn box labels them.
    SDL_MessageBoxButtonData const yes_no[] = {
        { SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0,
            m_english ? "\xE3\x81\x84\xE3\x81\x84\xE3\x81\x88 No" : "\xE3\x81\x84\xE3\x81\x84\xE3\x81\x88" },
        { SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1,
            m_english ? "\xE3\x81\xAF\xE3\x81\x84 Yes" : "\xE3\x81\xAF\xE3\x81\x84" },
    };
    bool const question = buttons == MessageBoxButtons::YesNo;
    SDL_MessageBoxData data {};
    data.flags = question ? SDL_MESSAGEBOX_INFORMATION : SDL_MESSAGEBOX_ERROR;
    data.window = m_window.handle();
    data.title = title.c_str();
    data.message = message.c_str();
    data.numbuttons = question ? 2 : 1;
    data.buttons = question ? yes_no : ok;
    int pressed = 0;
    // Without a display the box cannot appear; the player has read it in the terminal already.
    if (SDL_ShowMessageBox(&data, &pressed) != 0)
        return question ? MessageBoxAnswer::No : MessageBoxAnswer::Ok;
    if (!question)
        return MessageBoxAnswer::Ok;
    return pressed == 1 ? MessageBoxAnswer::Yes : MessageBoxAnswer::No;
}

} // namespace advplay::platform
