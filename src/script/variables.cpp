// VariableTable: declarations, assignment, and the lookup rule for system variables.
#include "script/variables.h"

#include "engine/engine.h"
#include "platform/window.h"

namespace advplay::script {

bool VariableTable::declare_int(std::string_view name)
{
    if (kind(name) != VariableKind::None || !has_room_for(cost(name)))
        return false;
    m_integers.emplace(std::string(name), 0);
    m_bytes += cost(name);
    return true;
}

bool VariableTable::declare_string(std::string_view name)
{
    if (kind(name) != VariableKind::None || !has_room_for(cost(name)))
        return false;
    m_strings.emplace(std::string(name), std::string());
    m_bytes += cost(name);
    return true;
}

bool VariableTable::put_int(std::string_view name, std::int32_t value)
{
    if (kind(name) == VariableKind::None && !declare_int(name))
        return false;
    return assign_int(name, value);
}

bool VariableTable::put_string(std::string_view name, std::string_view text)
{
    if (kind(name) == VariableKind::None && !declare_string(name))
        return false;
    return assign_string(name, text);
}

VariableKind VariableTable::kind(std::string_view name) const
{
    if (m_integers.find(name) != m_integers.end())
        return VariableKind::Integer;
    if (m_strings.find(name) != m_strings.end())
        return VariableKind::String;
    return VariableKind::None;
}

bool VariableTable::assign_int(std::string_view name, std::int32_t value)
{
    auto found = m_integers.find(name);
    if (found == m_integers.end())
        return false;
    found->second = value;
    return true;
}

bool VariableTable::assign_string(std::string_view name, std::string_view text)
{
    auto found = m_strings.find(name);
    if (found == m_strings.end())
        return false;
    std::size_t const old_size = found->second.size();
    if (text.size() > old_size && !has_room_for(text.size() - old_size))
        return false;
    found->second = std::string(text);
    m_bytes = m_bytes - old_size + text.size();
    return true;
}

const std::int32_t* VariableTable::integer(std::string_view name) const
{
    auto found = m_integers.find(name);
    return found == m_integers.end() ? nullptr : &found->second;
}

const std::string* VariableTable::string(std::string_view name) const
{
    auto found = m_strings.find(name);
    return found == m_strings.end() ? nullptr : &found->second;
}

namespace {

bool is_reserved(std::string_view name)
{
    return !name.empty() && (name[0] == 'C' || name[0] == 'L');
}

} // namespace

std::optional<std::int32_t> find_int(Engine& engine, std::string_view name)
{
    if (!is_reserved(name)) {
        if (auto const* value = engine.variables.integer(name))
            return *value;
        return std::nullopt;
    }
    if (name == "CurLine")
        return engine.store.position().line_index;
    if (name == "LastLine")
        return engine.call_stack.empty() ? 0 : engine.call_stack.back().line_index;
    if (name == "CursorX")
        return engine.platform.window.cursor_position().x;
    if (name == "CursorY")
        return engine.platform.window.cursor_position().y;
    if (name == "ClickX")
        return engine.input.click_x;
    if (name == "ClickY")
        return engine.input.click_y;
    // Screen coordinates: the message window's position plus the layer's own. The sum wraps as the
    // 32-bit addition of the original did.
    text::TextLayer const& layer = engine.text.message_layer;
    auto const on_screen = [](std::int32_t window, std::int32_t pen) {
        return static_cast<std::int32_t>(
            static_cast<std::uint32_t>(window) + static_cast<std::uint32_t>(pen));
    };
    if (name == "CurTextX")
        return on_screen(layer.window_x, layer.pen_x());
    if (name == "CurTextY")
        return on_screen(layer.window_y, layer.pen_y());
    if (name == "LastTextX")
        return on_screen(layer.window_x, layer.last_end_x());
    if (name == "LastTextY")
        return on_screen(layer.window_y, layer.last_end_y());
    if (name == "CurTextLine")
        return layer.current_line() + 1;
    return std::nullopt;
}

std::optional<std::string> find_string(Engine& engine, std::string_view name)
{
    if (!is_reserved(name)) {
        if (auto const* value = engine.variables.string(name))
            return *value;
        return std::nullopt;
    }
    if (name == "CurFile")
        return engine.store.position().file_name;
    if (name == "LastFile")
        return engine.call_stack.empty() ? std::string() : engine.call_stack.back().file_name;
    if (name == "CurText")
        return text::window_text(engine.text.message_layer);
    return std::nullopt;
}

} // namespace advplay::script
