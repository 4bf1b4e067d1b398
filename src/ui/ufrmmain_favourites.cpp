#include "ui/ufrmmain.h"

#include "core/number_format.h"
#include "core/uDownimg.h"
#include "core/ucommon.h"
#include "gateway/gateway_exchanges.h"
#include "ui/item_thumbnails.h"
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
    FThumbnails->Drop();
    FCommon->FavIds.clear();
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
    const DbRows rows = FCommon->FavouriteRows();

    // Registered before its jobs are added; a column that fails below leaves it registered
    // and never started, and shutdown releases it.
    TImgDown *worker = NewPictureWorker();

    for (std::size_t i = 0; i < rows.size(); ++i) {
        TTaoBaoData record;
        record.NumIid = rows.text(i, "fid");
        record.Title = rows.text(i, "fTitle");
        record.Nick = rows.text(i, "fNick");
        record.ClickUrl = rows.text(i, "fClick");
        record.ShopClickUrl = rows.text(i, "fShopClick");
        record.Price = rows.text(i, "fPrice");
        record.Commission = parseNumber(rows.text(i, "fYongjin"));
        record.PicUrl = rows.text(i, "fPicUrl");
        record.CashBack = parseNumber(rows.text(i, "fFanxian"));
        record.SalesCount = std::int32_t(rows.integer(i, "fXiaoCount"));
        record.CreditScore = std::int32_t(rows.integer(i, "fCredit"));
        record.Location = rows.text(i, "fAddress");
        record.Volume = std::int32_t(rows.integer(i, "fVolume"));
        record.Picture = std::make_shared<TJpegImage>();

        const TDownPic job{record.NumIid, record.PicUrl};
        const std::string id = record.NumIid;
        FCommon->Items.append(std::move(record));
        FCommon->FavIds.append(id);
        worker->AddJob(job);
        FItemTree->AddItem(id);
    }
    StartWhenShown({worker});
}

}  // namespace quenbo
