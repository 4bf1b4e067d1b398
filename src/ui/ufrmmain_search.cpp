#include "ui/ufrmmain.h"

#include "core/ucommon.h"
#include "ui/application.h"
#include "ui/page_combo_box.h"
#include "ui/picture_button.h"
#include "ui/uleftTree.h"

#include <QAction>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

namespace quenbo {

void Tfrm_main::ConnectResultCommands()
{
    const auto wire = [this](auto *sender, auto signal, void (Tfrm_main::*handler)()) {
        connect(sender, signal, this, [this, handler] { runHandler([&] { (this->*handler)(); }); });
    };
    wire(b_Srech, &QAbstractButton::clicked, &Tfrm_main::b_SrechClick);
    wire(b_xin, &QAbstractButton::clicked, &Tfrm_main::b_xinClick);
    wire(b_jiage, &QAbstractButton::clicked, &Tfrm_main::b_jiageClick);
    wire(b_xiao, &QAbstractButton::clicked, &Tfrm_main::b_xiaoClick);
    wire(b_fan, &QAbstractButton::clicked, &Tfrm_main::b_fanClick);
    wire(B_PFrist, &QAbstractButton::clicked, &Tfrm_main::B_PFristClick);
    wire(b_Pnext, &QAbstractButton::clicked, &Tfrm_main::b_PnextClick);
    wire(cbox_pagecount, &PageComboBox::closeUp, &Tfrm_main::cbox_pagecountCloseUp);
    wire(b_sc, &QAbstractButton::clicked, &Tfrm_main::b_scClick);
    wire(b_fshop, &QAbstractButton::clicked, &Tfrm_main::b_fshopClick);
    wire(N_Db, &QAction::triggered, &Tfrm_main::N_DbClick);
    // Enter in the keyword box searches, as the search button does.
    wire(E_Serch, &QLineEdit::returnPressed, &Tfrm_main::b_SrechClick);
}

void Tfrm_main::b_SrechClick()
{
    const SearchSession::Step step = FSession->keywordSearch(E_Serch->text().toStdString());
    if (step.kind == SearchSession::Step::Kind::Nothing)
        return;
    RunStep(step);
    pnl_PageControls->setEnabled(FSession->pagingEnabled());
    // Categories that could not be loaded at start-up are asked for again with a search.
    FLeftTree->RetryTopLevel();
}

void Tfrm_main::N_DbClick()
{
    const std::string keyword = SimilarItemsKeyword(FSelectedItem.Title);
    if (keyword.empty())
        return;
    E_Serch->setText(QString::fromStdString(keyword));
    b_SrechClick();
}

}  // namespace quenbo
