// RecentLog: what a headless recorder keeps for tests to read, bounded. A headless run may last for
// hours (a batch job, a soak test of a game that loops its music), and a recorder that kept every
// entry would grow with it.
#pragma once

#include <cstddef>
#include <iterator>
#include <utility>
#include <vector>

namespace advplay::platform {

template<typename Entry> class RecentLog {
public:
    explicit RecentLog(std::size_t capacity)
        : m_capacity(capacity < 2 ? 2 : capacity)
    {
    }

    // When the log is full its older half goes, so that each entry is moved at most once on average
    // and the newest capacity / 2 entries are always there.
    void push(Entry entry)
    {
        if (m_entries.size() == m_capacity) {
            auto const half = static_cast<std::ptrdiff_t>(m_capacity / 2);
            m_entries.erase(m_entries.begin(), m_entries.begin() + half);
            m_dropped += static_cast<std::size_t>(half);
        }
        m_entries.push_back(std::move(entry));
    }
    void clear()
    {
        m_dropped += m_entries.size();
        m_entries.clear();
    }

    const std::vector<Entry>& entries() const { return m_entries; }
    // How many entries went to keep the log within its capacity, or with clear().
    std::size_t dropped() const { return m_dropped; }
    std::size_t capacity() const { return m_capacity; }

private:
    std::size_t m_capacity;
    std::vector<Entry> m_entries;
    std::size_t m_dropped { 0 };
};

} // namespace advplay::platform
