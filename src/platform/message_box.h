// MessageBox: modal boxes for script errors, start-up failures and questions to the player.
#pragma once

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
    // Text and caption are Shift-JIS. An empty caption means the system's default one. Returns when
    // the box is closed; the caller's frame loop does not run meanwhile.
    virtual MessageBoxAnswer show(std::string_view text, std::string_view caption, MessageBoxButtons buttons)
        = 0;
};

} // namespace advplay::platform
