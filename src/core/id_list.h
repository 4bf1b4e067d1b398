#pragma once

#include "core/uTypeData.h"

#include <string>
#include <unordered_map>
#include <vector>

// A list in list order with a count per id, so that whether an id is in it is known without
// walking the list. Only the operations below change the list, which keeps the counts right.

namespace quenbo {

// A list of texts (item ids) with a count per text.
class IdList {
public:
    void append(std::string id);
    void clear();
    // Removes the first entry equal to id; false when there is none.
    bool removeFirst(const std::string &id);
    bool contains(const std::string &id) const { return m_counts.count(id) != 0; }

    std::size_t size() const { return m_ids.size(); }
    bool empty() const { return m_ids.empty(); }
    const std::string &operator[](std::size_t index) const { return m_ids[index]; }
    auto begin() const { return m_ids.begin(); }
    auto end() const { return m_ids.end(); }

private:
    std::vector<std::string> m_ids;
    std::unordered_map<std::string, std::size_t> m_counts;
};

}  // namespace quenbo
