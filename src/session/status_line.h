#pragma once

#include "gateway/exchange_failure.h"

#include <array>
#include <cstddef>
#include <string>

namespace quenbo {

// What the window's status line says, in Chinese: one line for the item list and one for the
// category tree, each set while its query is out or after it failed and cleared by its next
// success. The line shows the one set last. No widgets; one thread (the window's).
class StatusLine {
public:
    enum class Topic { Items, Categories };

    // alarm marks a failure, which the window shows in a colour of its own.
    void set(Topic topic, std::string text, bool alarm = false);
    void clear(Topic topic);
    // The text of the topic set last that still has one; empty when neither has.
    std::string text() const;
    // Whether the text shown is a failure.
    bool alarming() const;

private:
    static std::size_t index(Topic topic) { return topic == Topic::Items ? 0 : 1; }

    // The topic whose text shows: the one set last, unless its text was cleared.
    std::size_t shown() const;

    std::array<std::string, 2> m_texts;
    std::array<bool, 2> m_alarms{};
    std::array<std::size_t, 2> m_setAt{};
    std::size_t m_clock = 0;
};

// The words for what went wrong: the kind of failure in Chinese, and for the gateway's refusal
// its own msg and sub_msg, as in "App Call Limited — This ban will last for 71 more seconds".
std::string DescribeForUser(const ExchangeFailure &failure);

// A failed exchange as the status line says it: what failed ("搜索失败"), a full-width colon,
// and DescribeForUser.
std::string FailureLine(const std::string &what, const ExchangeFailure &failure);

}  // namespace quenbo
