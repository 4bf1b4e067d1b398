#pragma once

#include "sandbox/catalogue.h"

#include <optional>
#include <string>
#include <string_view>

namespace quenbo::sandbox {

// The maker's web server and the pages behind the addresses the client hands to the browser.
// Every page is a UTF-8 HTML document in Chinese. Thread-safe: it only reads.
class Site {
public:
    // versionText is the body of the version file; "{base}" in it stands for baseUrl.
    Site(const Catalogue &catalogue, std::string baseUrl, std::string_view versionText);

    const std::string &versionFile() const { return m_versionFile; }
    std::string homePage() const;
    std::string helpPage() const;
    std::string feedbackPage() const;
    std::string downloadPage() const;
    std::string notFoundPage() const;
    std::string faultPage() const;  // the HTML body that the "html" fault answers with

    // Pages for an item id (numeric or opaque), a seller number, and an item id followed by a
    // six-digit amount code in fen; nothing when the id or number names nothing in the
    // catalogue.
    std::optional<std::string> clickPage(std::string_view id) const;
    std::optional<std::string> shopPage(std::string_view seller) const;
    std::optional<std::string> cashBackPage(std::string_view idAndCode) const;

private:
    const Catalogue &m_catalogue;
    std::string m_baseUrl;
    std::string m_versionFile;
};

// The version file the sandbox serves unless told otherwise.
inline constexpr std::string_view kDefaultVersionText = "v1|{base}/download";

}  // namespace quenbo::sandbox
