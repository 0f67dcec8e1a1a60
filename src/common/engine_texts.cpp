// Finding the engine's texts inside a message box, for the English reading shown beneath it.
#include "common/engine_texts.h"

namespace advplay::texts {

namespace {

bool is_lead_byte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9f) || (byte >= 0xe0 && byte <= 0xfc);
}

// The longest text at the front of `rest`; several can start there, as one text may be the tail of
// another (the bare "." one ends the ".cas" one).
const EngineText* longest_at(std::string_view rest)
{
    const EngineText* best = nullptr;
    for (auto const& text : kAll) {
        if (text.sjis.empty() || !rest.starts_with(text.sjis))
            continue;
        if (!best || text.sjis.size() > best->sjis.size())
            best = &text;
    }
    return best;
}

} // namespace

std::string english_reading(std::string_view sjis)
{
    std::string reading;
    std::size_t i = 0;
    while (i < sjis.size()) {
        if (const EngineText* text = longest_at(sjis.substr(i))) {
            if (!reading.empty())
                reading += '\n';
            reading += text->english;
            i += text->sjis.size();
            continue;
        }
        // Step a whole character, so that no match starts on the second byte of a double-byte one
        // (which can look like ASCII or like a lead byte itself).
        i += is_lead_byte(static_cast<unsigned char>(sjis[i])) && i + 1 < sjis.size() ? 2 : 1;
    }
    return reading;
}

std::string with_english_reading(std::string_view sjis)
{
    std::string text(sjis);
    std::string const reading = english_reading(sjis);
    if (!reading.empty())
        text += "\n\n" + reading;
    return text;
}

} // namespace advplay::texts
