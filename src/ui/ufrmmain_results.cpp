#include "ui/ufrmmain.h"

#include "ui/application.h"
#include "ui/message_box.h"
#include "ui/page_combo_box.h"
#include "ui/uItemTree.h"

namespace quenbo {

void Tfrm_main::SortBy(ItemSortKey key)
{
    Tag = Tag == 0 ? 1 : 0;
    FItemTree->SortRows(key, Tag == 0);
}

void Tfrm_main::b_xinClick()
{
    SortBy(ItemSortKey::Credit);
}
void Tfrm_main::b_jiageClick()
{
    SortBy(ItemSortKey::Price);
}
void Tfrm_main::b_xiaoClick()
{
    SortBy(ItemSortKey::Sales);
}
void Tfrm_main::b_fanClick()
{
    SortBy(ItemSortKey::CashBack);
}

void Tfrm_main::ShowPageMessage(const QString &text)
{
    showMessage({this, text, applicationTitle(), QMessageBox::NoIcon, QMessageBox::Ok});
}

void Tfrm_main::B_PFristClick()
{
    RunStep(FSession->previousPage());
}

void Tfrm_main::b_PnextClick()
{
    RunStep(FSession->nextPage());
}

void Tfrm_main::cbox_pagecountCloseUp()
{
    RunStep(FSession->choosePage(cbox_pagecount->currentText().toStdString()));
}

}  // namespace quenbo
