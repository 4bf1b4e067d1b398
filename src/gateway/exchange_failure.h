#pragma once

#include <exception>
#include <string>

// What went wrong in one exchange with the gateway or the maker's site, in a form the window
// can tell the user.

namespace quenbo {

class XmlElement;

struct ExchangeFailure {
    enum class Kind {
        None,        // the exchange succeeded
        Connection,  // no connection: the name does not resolve, the server refuses or hangs up
        Timeout,     // the server did not answer in time
        HttpStatus,  // the server answered with an error status; see httpStatus
        TooLarge,    // the answer is larger than the program takes
        Redirect,    // the server sent the request round in circles or to another scheme
        BadAnswer,   // the answer is no XML document, or not one of the expected form
        Refused,     // the gateway answered with its error_response; see code, message, subMessage
        Cancelled,   // a newer request or the window's closing ended it
    };

    Kind kind = Kind::None;
    long httpStatus = 0;
    std::string code;        // the gateway's error code, for Refused
    std::string message;     // the gateway's msg, for Refused
    std::string subMessage;  // the gateway's sub_msg, for Refused; may be empty
    std::string detail;      // the library's own words, for anyone reading a report

    bool failed() const { return kind != Kind::None; }
};

// The failure that an exception of a fetch or a parse stands for: HttpError by its reason,
// XmlError as a bad answer, anything else as a bad answer with its text as detail.
ExchangeFailure DescribeFailure(const std::exception &error);

// The refusal in root when root is the gateway's "error_response" (its "code", "msg" and
// "sub_msg" children; missing ones empty); Kind::None for any other root.
ExchangeFailure ReadRefusal(const XmlElement &root);

}  // namespace quenbo
