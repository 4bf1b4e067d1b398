#include "session/status_line.h"

#include <utility>

namespace quenbo {

void StatusLine::set(Topic topic, std::string text, bool alarm)
{
    m_texts[index(topic)] = std::move(text);
    m_alarms[index(topic)] = alarm;
    m_setAt[index(topic)] = ++m_clock;
}

void StatusLine::clear(Topic topic)
{
    m_texts[index(topic)].clear();
    m_alarms[index(topic)] = false;
}

std::size_t StatusLine::shown() const
{
    const std::size_t later = m_setAt[0] >= m_setAt[1] ? 0 : 1;
    return m_texts[later].empty() ? 1 - later : later;
}

std::string StatusLine::text() const
{
    return m_texts[shown()];
}

bool StatusLine::alarming() const
{
    return m_alarms[shown()];
}

std::string DescribeForUser(const ExchangeFailure &failure)
{
    using Kind = ExchangeFailure::Kind;
    switch (failure.kind) {
    case Kind::None:
        return {};
    case Kind::Connection:
        return "无法连接到服务器";
    case Kind::Timeout:
        return "服务器没有及时回答（连接超时）";
    case Kind::HttpStatus:
        return "服务器返回 HTTP " + std::to_string(failure.httpStatus);
    case Kind::TooLarge:
        return "服务器的回答过大";
    case Kind::Redirect:
        return "服务器的转向无法跟随";
    case Kind::BadAnswer:
        return "服务器的回答无法解析";
    case Kind::Cancelled:
        return "已取消";
    case Kind::Refused:
        break;
    }
    std::string text = failure.message;
    if (!failure.subMessage.empty())
        text += (text.empty() ? "" : " — ") + failure.subMessage;
    if (text.empty())
        text =
            failure.code.empty() ? "平台拒绝了请求" : "平台拒绝了请求（错误 " + failure.code + "）";
    return text;
}

std::string FailureLine(const std::string &what, const ExchangeFailure &failure)
{
    return what + "：" + DescribeForUser(failure);
}

}  // namespace quenbo
