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

}  // namespace quenbo
