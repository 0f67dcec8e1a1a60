// FaultyFiles.
#include "support/faulty_files.h"

#include <algorithm>

namespace advplay::testing {

namespace {

class BudgetedFile final : public platform::WritableFile {
public:
    BudgetedFile(std::unique_ptr<platform::WritableFile> inner, std::optional<std::size_t>& budget)
        : m_inner(std::move(inner))
        , m_budget(budget)
    {
    }
    bool write(std::span<const std::uint8_t> bytes) override
    {
        if (!m_budget)
            return m_inner->write(bytes);
        std::size_t const allowed = std::min(*m_budget, bytes.size());
        *m_budget -= allowed;
        bool const wrote = m_inner->write(bytes.first(allowed));
        return wrote && allowed == bytes.size();
    }
    bool sync() override { return !m_sync_fails && m_inner->sync(); }
    bool close() override { return m_inner->close(); }
    bool m_sync_fails { false };

private:
    std::unique_ptr<platform::WritableFile> m_inner;
    std::optional<std::size_t>& m_budget;
};

} // namespace

std::unique_ptr<platform::WritableFile> FaultyFiles::open_write(std::string_view path)
{
    if (read_only(path))
        return nullptr;
    auto file = m_inner.open_write(path);
    if (!file)
        return nullptr;
    auto budgeted = std::make_unique<BudgetedFile>(std::move(file), m_write_budget);
    budgeted->m_sync_fails = m_sync_fails;
    return budgeted;
}

bool FaultyFiles::clear_read_only(std::string_view path)
{
    ++m_cleared;
    if (read_only(path))
        m_read_only.reset();
    return m_inner.clear_read_only(path);
}

bool FaultyFiles::replace(std::string_view from, std::string_view to)
{
    if (m_replace_fails || read_only(to))
        return false;
    return m_inner.replace(from, to);
}

} // namespace advplay::testing
