#pragma once

#include "core/uTypeData.h"

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace quenbo {

// The ids of the item rows the user sees now, top to bottom, as the item list last showed
// them. The picture workers fetch those rows' pictures before the rest, so a new page, or the
// stretch of the list scrolled to, fills first where the user looks. Any thread.
class RowsOnScreen {
public:
    // Replaces the ids; the list calls it whenever the rows in view change.
    void set(std::vector<std::string> ids);
    std::vector<std::string> ids() const;

    // The position in jobs of the job to do next: that of the highest row on screen that one
    // of the jobs is for, else 0.
    std::size_t next(const std::deque<TDownPic> &jobs) const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_ids;
};

}  // namespace quenbo
