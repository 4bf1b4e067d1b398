#include "ui/browser_opener.h"

#include <QDesktopServices>

namespace quenbo {

namespace {

BrowserOpener &currentOpener()
{
    static BrowserOpener opener;
    return opener;
}

}  // namespace

bool openInBrowser(const std::string &address)
{
    // Addresses come from outside (gateway answers, settings), so a scheme check decides, not
    // the text: "file:", "javascript:" and the like never reach the desktop.
    const QUrl url(QString::fromUtf8(address.data(), qsizetype(address.size())),
                   QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return false;
    if (const BrowserOpener &opener = currentOpener())
        opener(url);
    else
        QDesktopServices::openUrl(url);
    return true;
}

BrowserOpener setBrowserOpener(BrowserOpener opener)
{
    BrowserOpener previous = std::move(currentOpener());
    currentOpener() = std::move(opener);
    return previous;
}

}  // namespace quenbo
