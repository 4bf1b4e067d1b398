#pragma once

#include "gateway/material_search.h"
#include "platform/xml_document.h"

#include <functional>
#include <string>
#include <vector>

namespace quenbo::testsupport {

using DescribeItem = std::function<std::string(const TTaoBaoData &, const TDownPic &)>;

// Walks an item answer of either method as a page load does: "[" and "]" for each container,
// each record as describe gives it, and with ids, "id N" for each item id as it is read.
inline std::vector<std::string> walkItemAnswer(const std::string &xml, const DescribeItem &describe,
                                               bool withIds = false)
{
    XmlDocument document;
    document.loadFromText(xml);
    std::vector<std::string> seen;
    ItemAnswerSteps steps;
    steps.beginBatch = [&] { seen.push_back("["); };
    steps.endBatch = [&] { seen.push_back("]"); };
    steps.itemId = [&](const std::string &id) {
        if (withIds)
            seen.push_back("id " + id);
    };
    steps.item = [&](TTaoBaoData r, TDownPic job) { seen.push_back(describe(r, job)); };
    ReadAnyItemAnswer(document.documentElement(), steps);
    return seen;
}

}  // namespace quenbo::testsupport
