#include "ui/ufrmmain.h"

#include "core/ucommon.h"
#include "gateway/gateway_exchanges.h"
#include "gateway/item_page.h"
#include "pictures/jpeg_image.h"
#include "ui/picture_button.h"
#include "ui/uItemTree.h"

#include <QFrame>

namespace quenbo {

void Tfrm_main::b_scClick()
{
    b_fshop->show();
    // A page still loading would fill the favourites view with its rows: it is dropped.
    FSession->enterFavourites();
    FExchanges->cancelItems();
    FStatus.clear(StatusLine::Topic::Items);
    ShowProgress();
    pnl_PageControls->setEnabled(FSession->pagingEnabled());
    FItemTree->Clear();
    ListFavourites();
    // The start-up list this view dropped no longer holds back the version check.
    CheckForUpdateWhenLoaded();
}

void Tfrm_main::b_fshopClick()
{
    RunStep(FSession->leaveFavourites());
    pnl_PageControls->setEnabled(FSession->pagingEnabled());
    b_fshop->hide();
}

void Tfrm_main::ListFavourites()
{
    std::vector<TTaoBaoData> records = FCommon->Favourites.records();
    // The list's picture as the item search in use asks for it.
    const std::string_view suffix = FCommon->Settings.Method == ItemMethod::MaterialSearch
                                        ? kSquarePictureSuffix
                                        : kLargePictureSuffix;
    ItemPage page;
    std::vector<TDownPic> &batch = page.batches.emplace_back();
    for (TTaoBaoData &record : records) {
        record.Picture = std::make_shared<TJpegImage>();
        batch.push_back(TDownPic{record.NumIid, record.PicUrl, std::string(suffix)});
    }
    page.records = std::move(records);
    FItemTree->ShowPage(std::move(page), true);
}

}  // namespace quenbo
