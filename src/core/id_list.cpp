#include "core/id_list.h"

#include <algorithm>

namespace quenbo {

void IdList::append(std::string id)
{
    ++m_counts[id];
    m_ids.push_back(std::move(id));
}

void IdList::clear()
{
    m_ids.clear();
    m_counts.clear();
}

bool IdList::removeFirst(const std::string &id)
{
    const auto count = m_counts.find(id);
    if (count == m_counts.end())
        return false;
    m_ids.erase(std::find(m_ids.begin(), m_ids.end(), id));
    if (--count->second == 0)
        m_counts.erase(count);
    return true;
}

}  // namespace quenbo
