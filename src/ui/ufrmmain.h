#pragma once

#include "session/search_session.h"
#include "session/status_line.h"
#include "ui/page_combo_box.h"
#include "ui/uItemTree.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QMenuBar;
class QPushButton;
class QTimer;

namespace quenbo {

class CategoryTreeView;
class GatewayExchanges;
struct CategoryLevelAnswer;
struct ItemPageAnswer;
struct ProgramPaths;
class PictureBox;
class PictureButton;
class TCommon;
class TZipFile;
class TleftTree;
class Tfrm_imgframe;

// The main window. Its constructor builds the controls at their designed places and then runs
// FormCreate, which makes the application's objects in their fixed order; its destruction
// releases them in the reverse order (FormDestroy). GUI thread only.
//
// The window never waits on the network: item pages, category levels and the version file
// are fetched by GatewayExchanges off this thread, and their answers are applied here when
// they arrive. The search state and its rules are the SearchSession's; the window forwards
// its commands to it and shows what it reports. The status line under the list says what is
// loading and what failed.
//
// The window lays its controls out and wires them; what they do lives in the session, the
// presenters and the core object's parts. Tests find the controls by their object names.
class Tfrm_main : public QWidget {
    Q_OBJECT

public:
    static constexpr int kOuterWidth = 900;
    static constexpr int kOuterHeight = 650;

    // paths name the archive and the files the program keeps; the first form uses the portable
    // layout of appDir, the folder that holds the program, ending in "/". Raises, with a
    // message that names the file or the setting, when the archive cannot be opened or a base
    // setting does not decode; nothing of the window's objects is left then.
    explicit Tfrm_main(const QString &appDir, QWidget *parent = nullptr);
    explicit Tfrm_main(const ProgramPaths &paths, QWidget *parent = nullptr);
    ~Tfrm_main() override;

    // Where a window of outer size goes on a screen's available area: centred, but never with
    // its caption or menu above or left of the area, also when it is larger than the area (a
    // high scale on a small screen).
    static QPoint PlaceOnScreen(QSize size, const QRect &available);

    const TZipFile &ZipFile() const { return *FZipFile; }
    TCommon &Common() const { return *FCommon; }
    // The presenters of the category tree and of the item list (with the list's model,
    // delegate and picture downloads).
    TleftTree &CategoryTree() const { return *FLeftTree; }
    TItemTree &ItemListPresenter() const { return *FItemTree; }
    // The preview popup; null before its creation step and after its release.
    Tfrm_imgframe *ImgFrame() const { return FImgFrame.get(); }
    // The exchanges with the gateway and the maker's site; tests change their limits.
    GatewayExchanges &Exchanges() const { return *FExchanges; }
    // The search state and its rules.
    const SearchSession &Session() const { return *FSession; }
    // True when no exchange with the gateway or the maker's site is out and every answer has
    // been applied.
    bool GatewayIdle() const;

    // The item last pressed with the right button in the list: what the shop menu acts on.
    const TTaoBaoData &SelectedItem() const { return FSelectedItem; }

    // Releases the application's objects in order; runs once, also from the destructor. An
    // error of the settings file at shutdown is shown in a message box.
    void FormDestroy();
    // The first loading, run once by trm_load about one second after the window first shows.
    void trm_loadTimer();
    // Asks the gateway for the subcategories of parentId, unless that question is out
    // already; the category tree presenter adds them when they arrive (TleftTree).
    void LoadCategoryLevel(const std::string &parentId);
    // The category search: enables the page strip, sets the search state to category cid and
    // loads its first page.
    void SearchCategory(const std::string &cid);
    // The signed request address of one page of an item search: by keyword (its blanks
    // removed), by category cid, or (SearchMode::None) by neither.
    std::string BuildItemQuery(SearchMode mode, const std::string &keyword, const std::string &cid,
                               int pageNo);
    // Empties the item list and asks for the item answer at address; when it arrives, lists
    // its items, each container's pictures fetched by a worker of its own. A newer call, or
    // the favourites view, supersedes it: its transfer is cancelled and its answer dropped.
    // The status line says it is loading, then what failed or that nothing was found.
    void LoadItemPage(const std::string &address);
    // Asks for the version file on the maker's web server; when it arrives and names another
    // version, asks whether to upgrade and opens its download page on OK. Its failures show
    // nothing.
    void CheckForUpdate();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    // ufrmmain_layout.cpp: controls, menus, tab order, layout
    // Lays the panels out for the current client size.
    void FormResize();

    // ufrmmain_categories.cpp: the category tree presenter and what the window does for it
    // Makes the presenter of vlefttree, which asks the gateway through the window, lists a
    // category's items with SearchCategory and says what it does in the status line.
    void CreateCategoryTree();

    // ufrmmain_items.cpp: the item query, the shop menu, the preview's place
    // The window-moved handler: keeps the item list's preview at its screen x beside the list.
    void WindowMoved();

    // ufrmmain_commands.cpp: menu, shop and update commands
    // Wires the menu items to the commands below; the constructor calls it once.
    void ConnectCommands();
    // "退出": closes the window, which ends the application.
    void N2Click();
    // "数据缓存": copies the item's check mark into DataCache; it takes effect at exit.
    void N4Click();
    // "在线帮助" and "意见反馈": open the maker's help and feedback pages in the browser.
    void N7Click();
    void N8Click();
    // "进入店铺": opens the shop of SelectedItem in the browser; for an item without a shop
    // address the status line says so.
    void N_GoshopClick();

    // ufrmmain_search.cpp: the keyword and similar-items searches, the result commands' wiring
    // Wires the search, sort, page and favourites buttons; the constructor calls it once.
    void ConnectResultCommands();
    // The keyword search: the trimmed text of E_Serch, page 1; nothing for an empty text.
    void b_SrechClick();
    // "相近商品": a keyword search for the last characters of the right-clicked item's title.
    void N_DbClick();

    // ufrmmain_results.cpp: sorting the rows on screen and turning pages
    // The sort buttons: flip Tag, then sort the rows on screen by credit, price, sales or
    // cash-back, ascending when Tag is 0.
    void b_xinClick();
    void b_jiageClick();
    void b_xiaoClick();
    void b_fanClick();
    void SortBy(ItemSortKey key);
    // Previous and next page, refused with a message at pages 1 and 99; the page list loads
    // the page chosen each time it closes.
    void B_PFristClick();
    void b_PnextClick();
    void cbox_pagecountCloseUp();
    void ShowPageMessage(const QString &text);

    // ufrmmain_favourites.cpp: the favourites view and the way back
    void b_scClick();
    void b_fshopClick();
    // Lists every stored favourite with one picture download worker for all of them. Raises
    // the database's error, and then lists none.
    void ListFavourites();

    std::int32_t Tag = 0;  // the shared direction toggle of the sort buttons

    // The controls, named as the layout names them (their object names too).
    QMenuBar *MenuBar = nullptr;
    QAction *N1 = nullptr, *N2 = nullptr, *N3 = nullptr, *N4 = nullptr, *N5 = nullptr,
            *N6 = nullptr, *N7 = nullptr, *N8 = nullptr;
    QMenu *Pop_MShop = nullptr;
    QAction *N_Db = nullptr, *N10 = nullptr, *N_Goshop = nullptr;

    QFrame *pnl_left = nullptr;
    PictureButton *b_sc = nullptr;
    PictureBox *img_shopclass = nullptr;
    CategoryTreeView *vlefttree = nullptr;
    QFrame *pnl_load = nullptr;
    PictureBox *img_load = nullptr;

    QFrame *pnl_top = nullptr;
    QComboBox *cb_paixu = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *E_Serch = nullptr;
    PictureButton *b_Srech = nullptr;

    QFrame *pnl_bottom = nullptr;
    QWidget *pnl_Ttop = nullptr;
    PictureBox *img_top = nullptr;
    QLabel *L_Sort = nullptr;
    PictureButton *b_xin = nullptr, *b_jiage = nullptr, *b_xiao = nullptr, *b_fan = nullptr,
                  *b_fshop = nullptr;
    QListView *itemTree = nullptr;

    QFrame *pnl_PageControls = nullptr;
    QPushButton *B_PFrist = nullptr;
    PageComboBox *cbox_pagecount = nullptr;
    QPushButton *b_Pnext = nullptr;
    // The status line, in the free part of the page strip's row: what is loading, what failed.
    QLabel *L_Status = nullptr;

    QTimer *trm_load = nullptr;

    // Carries out what a session command asks: loads a page, the page list showing its number,
    // or shows a refusal.
    void RunStep(const SearchSession::Step &step);
    // Remembers item (none: keeps the last one) and opens the shop menu at the screen point.
    void OpenShopMenu(const TTaoBaoData *item, QPoint at);
    // Shows the item answer of load ticket, unless a newer load superseded it.
    void ApplyItemPage(std::uint64_t ticket, bool startupList, ItemPageAnswer &answer);
    // Shows the status line's text and the busy cursors of what is loading.
    void ShowProgress();
    // Runs the version check once the start-up list and the top-level categories are settled.
    void CheckForUpdateWhenLoaded();
    void CreateControls();
    void CreateMenus();
    void SetTabOrder();
    void FormCreate(const ProgramPaths &paths);
    void FormShow();
    void LoadInterfacePictures();
    void LoadButtonPictures(PictureButton *button, const char *baseName);
    void FillPageList();

    std::unique_ptr<TZipFile> FZipFile;
    std::unique_ptr<TCommon> FCommon;
    std::unique_ptr<TItemTree> FItemTree;
    std::unique_ptr<TleftTree> FLeftTree;
    std::unique_ptr<Tfrm_imgframe> FImgFrame;
    std::unique_ptr<GatewayExchanges> FExchanges;
    std::unique_ptr<SearchSession> FSession;
    StatusLine FStatus;
    bool FUpdateCheckDue = false;
    bool FShown = false;
    bool FDestroyed = false;
    TTaoBaoData FSelectedItem;
};

}  // namespace quenbo
