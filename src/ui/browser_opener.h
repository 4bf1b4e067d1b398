#pragma once

#include <QUrl>

#include <functional>
#include <string>

namespace quenbo {

// Hands an address to the desktop's default browser. Only http:// and https:// addresses are
// opened; any other is ignored. The outcome is not examined.
// Returns whether the address was handed on.
bool openInBrowser(const std::string &address);

// Replaces what receives the addresses (the desktop by default), so tests can record them; an
// empty opener restores the desktop. Returns the previous opener.
using BrowserOpener = std::function<void(const QUrl &)>;
BrowserOpener setBrowserOpener(BrowserOpener opener);

}  // namespace quenbo
