#pragma once

#include "core/uTypeData.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quenbo {

// One page of items as an answer gives it: the records in answer order, their picture jobs
// grouped as the answer groups its items (one batch per container, in order, a container
// without items giving an empty batch), and the number of items the whole search found when
// the answer says it. Every item gives one record and one job, so the i-th job over all
// batches belongs to the i-th record.
struct ItemPage {
    std::vector<TTaoBaoData> records;
    std::vector<std::vector<TDownPic>> batches;
    std::optional<std::int64_t> totalResults;
};

}  // namespace quenbo
