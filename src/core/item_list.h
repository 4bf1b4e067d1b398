#pragma once

#include "core/uTypeData.h"

#include <string>
#include <unordered_map>
#include <vector>

// Lists in list order with an index by id, so that the first record (or text) with a given id
// is found without walking the list. Only the operations below change a list, which keeps
// the index right.

namespace quenbo {

// The item records loaded for display. Each record owns its picture (shared with copies).
class ItemList {
public:
    void append(TTaoBaoData record);
    void clear();
    // Removes the first record whose NumIid equals id exactly; false when there is none.
    bool removeFirst(const std::string &id);
    // The first record whose NumIid equals id exactly, or null.
    const TTaoBaoData *findFirst(const std::string &id) const;

    std::size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    const TTaoBaoData &operator[](std::size_t index) const { return m_records[index]; }
    auto begin() const { return m_records.begin(); }
    auto end() const { return m_records.end(); }

private:
    void rebuildIndex();

    std::vector<TTaoBaoData> m_records;
    std::unordered_map<std::string, std::size_t> m_first;  // id -> index of its first record
};

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
