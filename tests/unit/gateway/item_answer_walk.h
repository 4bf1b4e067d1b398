#pragma once

#include "gateway/material_search.h"
#include "platform/xml_document.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quenbo::testsupport {

using DescribeItem = std::function<std::string(const TTaoBaoData &, const TDownPic &)>;

// The page of an item answer of either method as a page load receives it: "[" and "]" around
// each batch, and in between each of the batch's records with its job, as describe gives them.
// Records and jobs pair by their place in the page, so every record must have exactly one job.
inline std::vector<std::string> walkItemAnswer(const std::string &xml, const DescribeItem &describe)
{
    XmlDocument document;
    document.loadFromText(xml);
    const ItemPage page = ReadAnyItemAnswer(document.documentElement());
    std::vector<std::string> seen;
    std::size_t next = 0;
    for (const std::vector<TDownPic> &batch : page.batches) {
        seen.push_back("[");
        for (const TDownPic &job : batch) {
            if (next == page.records.size()) {
                ADD_FAILURE() << "a job without its record";
                return seen;
            }
            seen.push_back(describe(page.records[next++], job));
        }
        seen.push_back("]");
    }
    EXPECT_EQ(next, page.records.size()) << "records without their jobs";
    return seen;
}

}  // namespace quenbo::testsupport
