#include "core/rows_on_screen.h"

namespace quenbo {

void RowsOnScreen::set(std::vector<std::string> ids)
{
    std::lock_guard lock(m_mutex);
    m_ids = std::move(ids);
}

std::vector<std::string> RowsOnScreen::ids() const
{
    std::lock_guard lock(m_mutex);
    return m_ids;
}

std::size_t RowsOnScreen::next(const std::deque<TDownPic> &jobs) const
{
    std::lock_guard lock(m_mutex);
    for (const std::string &id : m_ids)
        for (std::size_t i = 0; i < jobs.size(); ++i)
            if (jobs[i].NumIid == id)
                return i;
    return 0;
}

}  // namespace quenbo
