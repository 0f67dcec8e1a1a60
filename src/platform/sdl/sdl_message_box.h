// SdlMessageBox: the system's message boxes, for what comes while the game's window has no picture to
// draw a box in (before it opens, or when it could not).
#pragma once

#include "platform/message_box.h"
#include "platform/text_encoding.h"

namespace advplay::platform {

class SdlWindow;

class SdlMessageBox final : public MessageBox {
public:
    // Boxes belong to `window` once it is open, so they stay in front of it.
    SdlMessageBox(const TextEncoding& encoding, const SdlWindow& window);
    MessageBoxAnswer show(
        std::string_view text, std::optional<std::string_view> caption, MessageBoxButtons buttons) override;
    // Only the Yes and No buttons change: the box stands in for the drawn one, which hands it the text
    // with the reading added already.
    void set_english(bool english) override { m_english = english; }

private:
    const TextEncoding& m_encoding;
    const SdlWindow& m_window;
    bool m_english { false };
};

} // namespace advplay::platform
