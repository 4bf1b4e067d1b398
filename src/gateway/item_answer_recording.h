#pragma once

#include "core/uTypeData.h"
#include "gateway/item_query.h"

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

namespace quenbo {

// The steps of one item answer's walk, kept in their order so that the walk can run on the
// thread that fetched the answer and its effects can be made later on the window's thread,
// exactly as the walk would have made them there.
class ItemAnswerRecording {
public:
    // Steps that append to this recording; valid while it lives.
    ItemAnswerSteps recorder();
    // Calls the steps in the order they were recorded, handing over the records and jobs.
    void replay(const ItemAnswerSteps &steps);

    // How many items the walk read.
    std::size_t itemCount() const { return m_items; }

private:
    struct BeginBatch {};
    struct ItemId {
        std::string id;
    };
    struct Item {
        TTaoBaoData record;
        TDownPic job;
    };
    struct EndBatch {};
    using Step = std::variant<BeginBatch, ItemId, Item, EndBatch>;

    std::vector<Step> m_steps;
    std::size_t m_items = 0;
};

}  // namespace quenbo
