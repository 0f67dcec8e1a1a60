// MessageBox: modal boxes for script errors, start-up failures and questions to the player.
#pragma once

#include <optional>
#include <string_view>

namespace advplay::platform {

enum class MessageBoxButtons {
    Ok,
    YesNo,
};

enum class MessageBoxAnswer {
    Ok,
    Yes,
    No,
};

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Text and caption are Shift-JIS; without a caption the box has the system's default one, and an
    // empty caption stays empty. Returns when the box is closed; the caller's frame loop does not
    // run meanwhile.
    virtual MessageBoxAnswer show(
        std::string_view text, std::optional<std::string_view> caption, MessageBoxButtons buttons)
        = 0;
    // From the next box on, each engine text is followed by its English reading (and the buttons
    // read in both languages), or stands in Japanese alone. A box that knows one language keeps it.
    virtual void set_english(bool english) { (void)english; }
};

} // namespace advplay::platform
