// CommandSet: word lookup and the per-state action table.
#include "script/command_set.h"

#include "common/assert.h"

#include <cstring>

namespace advplay::script {

namespace {

constexpr std::size_t kPackedLength = sizeof(std::uint64_t);

std::uint64_t pack(std::string_view word)
{
    std::uint64_t packed = 0;
    std::memcpy(&packed, word.data(), word.size());
    return packed;
}

} // namespace

CommandSet::CommandSet(std::span<const Command> commands, std::span<const StateAction> actions)
    : m_commands(commands)
{
    m_packed.reserve(commands.size());
    for (auto const& command : commands) {
        ENGINE_ASSERT(!command.word.empty() && command.word.size() <= kPackedLength);
        m_packed.push_back(pack(command.word));
        if (command.kind == CommandKind::Deferred && is_pending_state(command.state)) {
            m_actions[static_cast<int>(command.state)] = command.handler;
            m_returns_to_fetch[static_cast<int>(command.state)] = true;
        }
    }
    for (auto const& action : actions) {
        m_actions[static_cast<int>(action.state)] = action.action;
        m_returns_to_fetch[static_cast<int>(action.state)] = false;
    }
}

const Command* CommandSet::find(std::string_view word) const
{
    // A word is at most 8 bytes and has no NUL inside, so equal packings mean equal words.
    if (word.empty() || word.size() > kPackedLength)
        return nullptr;
    std::uint64_t const packed = pack(word);
    for (std::size_t i = 0; i < m_packed.size(); ++i) {
        if (m_packed[i] == packed)
            return &m_commands[i];
    }
    return nullptr;
}

} // namespace advplay::script
