// HeadlessMessageBox: writes each box to a text output and answers it at once.
#pragma once

#include "common/engine_texts.h"
#include "platform/headless/recent_log.h"
#include "platform/message_box.h"
#include "platform/text_encoding.h"
#include "platform/text_output.h"

#include <string>
#include <vector>

namespace advplay::platform {

class HeadlessMessageBox final : public MessageBox {
public:
    // `english`: each engine text is followed by its English reading.
    HeadlessMessageBox(TextOutput& output, const TextEncoding& encoding, MessageBoxAnswer yes_no_answer,
        bool english = false)
        : m_output(output)
        , m_encoding(encoding)
        , m_yes_no_answer(yes_no_answer)
        , m_english(english)
    {
    }

    // The box's text in UTF-8 followed by an empty line; Yes/No boxes get the configured answer.
    MessageBoxAnswer show(
        std::string_view text, std::optional<std::string_view>, MessageBoxButtons buttons) override
    {
        std::string line
            = m_encoding.to_utf8(m_english ? texts::with_english_reading(text) : std::string(text));
        line += "\n\n";
        m_output.write(line);
        m_shown.push(std::string(text));
        return buttons == MessageBoxButtons::YesNo ? m_yes_no_answer : MessageBoxAnswer::Ok;
    }
    void set_english(bool english) override { m_english = english; }

    // The texts shown, as the engine passed them (Shift-JIS): the last 512 at least.
    const std::vector<std::string>& shown() const { return m_shown.entries(); }

private:
    TextOutput& m_output;
    const TextEncoding& m_encoding;
    MessageBoxAnswer m_yes_no_answer;
    bool m_english;
    RecentLog<std::string> m_shown { 1024 };
};

} // namespace advplay::platform
