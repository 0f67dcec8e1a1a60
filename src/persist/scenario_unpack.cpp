// Turning a loaded scenario back into script files.
#include "persist/scenario_unpack.h"

#include <cstring>
#include <map>
#include <string_view>

namespace advplay::persist {

namespace {

// The entries of one script, from its first entry up to the end mark (or the end of the text).
std::vector<std::string_view> script_entries(const ByteBuffer& text, std::size_t offset)
{
    std::vector<std::string_view> entries;
    auto const* bytes = reinterpret_cast<const char*>(text.data());
    std::size_t const size = text.size();
    while (offset < size && static_cast<std::uint8_t>(bytes[offset]) != kEndMark) {
        auto const* nul = static_cast<const char*>(std::memchr(bytes + offset, 0, size - offset));
        std::size_t const length = nul ? static_cast<std::size_t>(nul - (bytes + offset)) : size - offset;
        entries.emplace_back(bytes + offset, length);
        offset += length + 1;
    }
    return entries;
}

} // namespace

std::vector<UnpackedScript> unpack_scripts(const ScenarioStore& store, std::vector<std::string>& warnings)
{
    // Script names never hold ":", so a label key splits at its first one.
    std::map<std::string, std::map<std::int32_t, std::string>> labels;
    for (auto const& [key, entry] : store.index()) {
        std::size_t const colon = key.find(':');
        if (colon != std::string::npos)
            labels[key.substr(0, colon)][entry.line_index] = key.substr(colon + 1);
    }

    std::vector<UnpackedScript> scripts;
    for (auto const& [key, entry] : store.index()) {
        if (key.find(':') != std::string::npos)
            continue;
        auto const entries = script_entries(store.text(), static_cast<std::size_t>(entry.offset));
        auto const& own_labels = labels[key];
        UnpackedScript script { key, {} };
        for (std::size_t line = 0; line < entries.size(); ++line) {
            // The last entry closes the file: it holds a last line that had no line feed, if any.
            bool const closing = line + 1 == entries.size();
            std::string_view const text = entries[line];
            auto const label = own_labels.find(static_cast<std::int32_t>(line));
            if (label != own_labels.end() && text.empty()) {
                script.text += ':';
                script.text += label->second;
                if (!closing)
                    script.text += '\n';
                continue;
            }
            script.text += text;
            if (!closing && (text.empty() || text.back() != '\n'))
                script.text += '\n';
        }
        for (auto const& [line, label] : own_labels) {
            bool const placed = line >= 0 && static_cast<std::size_t>(line) < entries.size()
                && entries[static_cast<std::size_t>(line)].empty();
            if (!placed)
                warnings.push_back("label \"" + label + "\" of script \"" + key + "\" does not stand on an empty line; left out");
        }
        scripts.push_back(std::move(script));
    }
    return scripts;
}

} // namespace advplay::persist
