// The menu commands, the shop command and the version check.
#include "ui/ufrmmain.h"

#include "core/ucommon.h"
#include "gateway/gateway_exchanges.h"
#include "gateway/version_check.h"
#include "ui/browser_opener.h"
#include "ui/message_box.h"

#include <QAction>

#include <string_view>

namespace quenbo {

namespace {

constexpr std::string_view kHelpPagePath = "/blog/post/1.html";
constexpr std::string_view kFeedbackPagePath = "/blog/post/3.html";

}  // namespace

void Tfrm_main::ConnectCommands()
{
    connect(N2, &QAction::triggered, this, &Tfrm_main::N2Click);
    connect(N4, &QAction::triggered, this, &Tfrm_main::N4Click);
    connect(N7, &QAction::triggered, this, &Tfrm_main::N7Click);
    connect(N8, &QAction::triggered, this, &Tfrm_main::N8Click);
    connect(N_Goshop, &QAction::triggered, this, &Tfrm_main::N_GoshopClick);
}

void Tfrm_main::N2Click()
{
    close();
}

void Tfrm_main::N4Click()
{
    FCommon->Settings.DataCache = N4->isChecked();
}

void Tfrm_main::N7Click()
{
    openInBrowser(SiteAddress(FCommon->Settings.SiteUrl, kHelpPagePath));
}

void Tfrm_main::N8Click()
{
    openInBrowser(SiteAddress(FCommon->Settings.SiteUrl, kFeedbackPagePath));
}

void Tfrm_main::N_GoshopClick()
{
    // The material search's items carry no shop address: the status line says so.
    if (!FSelectedItem.NumIid.empty() && FSelectedItem.ShopClickUrl.empty()) {
        FStatus.set(StatusLine::Topic::Items, "这个商品没有店铺地址");
        ShowProgress();
        return;
    }
    openInBrowser(FSelectedItem.ShopClickUrl);
}

void Tfrm_main::CheckForUpdate()
{
    FExchanges->checkForUpdate(FCommon->Settings.SiteUrl, [this](UpdateAnswer &answer) {
        // No connection, a time-out or an error status: the check ends without a word.
        if (answer.failure.failed() || !answer.offer.askToUpgrade)
            return;
        const auto choice = showMessage({nullptr, QStringLiteral("检查到有新版本,是否现在进行升级"),
                                         QStringLiteral("提示"), QMessageBox::NoIcon,
                                         QMessageBox::Ok | QMessageBox::Cancel});
        if (choice == QMessageBox::Ok && !answer.offer.address.empty())
            openInBrowser(answer.offer.address);
    });
}

}  // namespace quenbo
