#include "gateway/exchange_failure.h"

#include "core/text_util.h"
#include "gateway/item_query.h"
#include "platform/http_client.h"
#include "platform/xml_document.h"

namespace quenbo {

ExchangeFailure DescribeFailure(const std::exception &error)
{
    ExchangeFailure failure;
    failure.detail = error.what();
    const auto *http = dynamic_cast<const HttpError *>(&error);
    if (!http) {
        failure.kind = ExchangeFailure::Kind::BadAnswer;
        return failure;
    }
    switch (http->reason()) {
    case HttpError::Reason::Connection:
        failure.kind = ExchangeFailure::Kind::Connection;
        break;
    case HttpError::Reason::Timeout:
        failure.kind = ExchangeFailure::Kind::Timeout;
        break;
    case HttpError::Reason::Status:
        failure.kind = ExchangeFailure::Kind::HttpStatus;
        failure.httpStatus = http->status();
        break;
    case HttpError::Reason::TooLarge:
        failure.kind = ExchangeFailure::Kind::TooLarge;
        break;
    case HttpError::Reason::Aborted:
        failure.kind = ExchangeFailure::Kind::Cancelled;
        break;
    case HttpError::Reason::Redirect:
        failure.kind = ExchangeFailure::Kind::Redirect;
        break;
    }
    return failure;
}

ExchangeFailure ReadRefusal(const XmlElement &root)
{
    ExchangeFailure failure;
    if (root.name() != "error_response")
        return failure;
    failure.kind = ExchangeFailure::Kind::Refused;
    // The gateway's texts are short; a hostile one is cut like any other field of an answer.
    const auto child = [&root](std::string_view name) {
        const std::vector<XmlElement> found = root.children(name);
        return found.empty() ? std::string() : std::string(trimBlanks(fieldText(found.front())));
    };
    failure.code = child("code");
    failure.message = child("msg");
    failure.subMessage = child("sub_msg");
    return failure;
}

}  // namespace quenbo
