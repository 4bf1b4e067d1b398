#include "ufrmmain.h"

#include "application.h"
#include "message_box.h"
#include "page_combo_box.h"
#include "picture_button.h"
#include "text_util.h"
#include "uItemTree.h"
#include "ucommon.h"

#include <QAction>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

namespace quenbo {

namespace {

constexpr int kFirstPage = 1;
constexpr int kLastPage = 99;

// The longest run of the text without blanks; the first of equal length. A title's end often
// joins two words with a blank, and the gateway drops blanks from a keyword, so the whole end
// would become a word that no title holds, not even the item's own.
std::string LongestWord(const std::string &text)
{
    std::string longest;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        std::size_t end = text.find(' ', begin);
        if (end == std::string::npos)
            end = text.size();
        if (end - begin > longest.size())
            longest = text.substr(begin, end - begin);
        begin = end + 1;
    }
    return longest;
}

}  // namespace

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
}

void Tfrm_main::LoadQuery(SearchMode mode, const std::string &keyword, const std::string &cid,
                          int pageNo)
{
    FLastQuery = SearchQuery{mode, keyword, cid, pageNo};
    FLastAddress = BuildItemQuery(int(mode), keyword, cid, pageNo);
    LoadItemPage(FLastAddress);
}

void Tfrm_main::b_SrechClick()
{
    const std::string text = E_Serch->text().toStdString();
    if (text.empty())
        return;
    FKeyword = trimBlanks(text);
    FSearchMode = SearchMode::Keyword;
    LoadQuery(SearchMode::Keyword, FKeyword, "0", kFirstPage);
    pnl_PageControls->setEnabled(true);
}

void Tfrm_main::N_DbClick()
{
    const std::string keyword = LongestWord(TCommon::SimilarKeyword(FCommon->SelectedItem.Title));
    if (keyword.empty())
        return;
    E_Serch->setText(QString::fromStdString(keyword));
    b_SrechClick();
}

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

void Tfrm_main::LoadCurrentPage()
{
    if (FSearchMode == SearchMode::Keyword)
        LoadQuery(SearchMode::Keyword, FKeyword, "0", FPageNo);
    else
        LoadQuery(SearchMode::Category, std::string(), FCategoryId, FPageNo);
}

void Tfrm_main::ShowPageMessage(const QString &text)
{
    showMessage({this, text, applicationTitle(), QMessageBox::NoIcon, QMessageBox::Ok});
}

void Tfrm_main::B_PFristClick()
{
    if (FPageNo <= kFirstPage) {
        ShowPageMessage(QStringLiteral("第一页"));
        return;
    }
    --FPageNo;
    cbox_pagecount->setCurrentIndex(FPageNo - 1);
    LoadCurrentPage();
}

void Tfrm_main::b_PnextClick()
{
    if (FPageNo >= kLastPage) {
        ShowPageMessage(QStringLiteral("最后一页"));
        return;
    }
    ++FPageNo;
    cbox_pagecount->setCurrentIndex(FPageNo - 1);
    LoadCurrentPage();
}

void Tfrm_main::cbox_pagecountCloseUp()
{
    bool ok = false;
    const int page = cbox_pagecount->currentText().toInt(&ok);
    FPageNo = ok ? page : kFirstPage;
    LoadCurrentPage();
}

}  // namespace quenbo
