#include "gateway/item_answer_recording.h"

#include <utility>

namespace quenbo {

ItemAnswerSteps ItemAnswerRecording::recorder()
{
    ItemAnswerSteps steps;
    steps.beginBatch = [this] { m_steps.emplace_back(BeginBatch{}); };
    steps.itemId = [this](const std::string &id) { m_steps.emplace_back(ItemId{id}); };
    steps.item = [this](TTaoBaoData record, TDownPic job) {
        m_steps.emplace_back(Item{std::move(record), std::move(job)});
        ++m_items;
    };
    steps.endBatch = [this] { m_steps.emplace_back(EndBatch{}); };
    return steps;
}

void ItemAnswerRecording::replay(const ItemAnswerSteps &steps)
{
    for (Step &step : m_steps) {
        if (std::holds_alternative<BeginBatch>(step))
            steps.beginBatch();
        else if (auto *id = std::get_if<ItemId>(&step))
            steps.itemId(id->id);
        else if (auto *item = std::get_if<Item>(&step))
            steps.item(std::move(item->record), std::move(item->job));
        else
            steps.endBatch();
    }
    m_steps.clear();
}

}  // namespace quenbo
