#include "core/item_list.h"

#include <algorithm>

namespace quenbo {

void ItemList::append(TTaoBaoData record)
{
    // emplace keeps an existing entry, so the index goes on naming the first record.
    m_first.emplace(record.NumIid, m_records.size());
    m_records.push_back(std::move(record));
}

void ItemList::clear()
{
    m_records.clear();
    m_first.clear();
}

bool ItemList::removeFirst(const std::string &id)
{
    const auto found = m_first.find(id);
    if (found == m_first.end())
        return false;
    m_records.erase(m_records.begin() + std::ptrdiff_t(found->second));
    // Removal is rare (a favourite taken off the list); every later index shifts.
    rebuildIndex();
    return true;
}

const TTaoBaoData *ItemList::findFirst(const std::string &id) const
{
    const auto found = m_first.find(id);
    return found == m_first.end() ? nullptr : &m_records[found->second];
}

void ItemList::rebuildIndex()
{
    m_first.clear();
    for (std::size_t i = 0; i < m_records.size(); ++i)
        m_first.emplace(m_records[i].NumIid, i);
}

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
