#pragma once

#include "page_combo_box.h"
#include "virtual_tree.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QTimer;

namespace quenbo {

class Gateway;
class ItemThumbnails;
class HttpClient;
struct ProgramPaths;
class PictureBox;
class PictureButton;
class TCommon;
class TZipFile;
class TImgDown;
class TItemTree;
enum class ItemSortKey : std::uint8_t;
class TleftTree;
class Tfrm_imgframe;

// What the search state last searched: nothing yet, a keyword or a category. The values are
// the modes the item query takes.
enum class SearchMode : std::int32_t { None = -1, Keyword = 0, Category = 1 };

// The main window. Its constructor builds the controls at their designed places and then runs
// FormCreate, which makes the application's objects in their fixed order; its destruction
// releases them in the reverse order (FormDestroy). GUI thread only.
//
// The controls and the search state are public, named as the layout names them, so the
// commands and the tests reach them directly.
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

    const TZipFile &ZipFile() const { return *FZipFile; }
    TCommon &Common() const { return *FCommon; }
    TleftTree &LeftTree() const { return *FLeftTree; }
    TItemTree &ItemTree() const { return *FItemTree; }
    ItemThumbnails &Thumbnails() const { return *FThumbnails; }
    // The preview popup; null before its creation step and after its release.
    Tfrm_imgframe *ImgFrame() const { return FImgFrame.get(); }
    // The connection that the gateway queries use.
    HttpClient &Http() const;

    // ufrmmain.cpp: creation, the first loading, destruction
    // Releases the application's objects in order; runs once, also from the destructor. An
    // error of the settings file at shutdown is shown in a message box.
    void FormDestroy();
    // The first loading, run once by trm_load about one second after the window first shows.
    void trm_loadTimer();

    // ufrmmain_layout.cpp: controls, menus, tab order, layout
    // Lays the panels out for the current client size.
    void FormResize();

    // ufrmmain_categories.cpp: the category query and the category tree's press handler
    // Asks the gateway for the subcategories of parentId and adds them to the category tree;
    // hides the loading indicator at the end, whatever happened. Failures show nothing. True
    // when the gateway answered, even with no subcategories; false when the query failed (no
    // connection, an HTTP error, an answer that does not parse, the gateway's refusal).
    bool LoadCategoryLevel(const std::string &parentId);
    // The press handler of the category tree: loads a category's subcategories on its first
    // press, opens or closes it, and starts the category search on a double-click.
    void vlefttreeMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                            bool doubleClick, QPoint pos);
    // The category search: enables the page strip, sets the search state to category cid and
    // loads its first page.
    void SearchCategory(const std::string &cid);

    // ufrmmain_items.cpp: the item query, the item list's press handler, the preview's place
    // The signed request address of one page of an item search: mode 0 by keyword (its
    // blanks removed), mode 1 by category cid, any other mode by neither.
    std::string BuildItemQuery(int mode, const std::string &keyword, const std::string &cid,
                               int pageNo);
    // Empties the item list, then fetches address and lists its items, each container's
    // pictures fetched by a worker of its own. Failures show nothing; what was read stays.
    void LoadItemPage(const std::string &address);
    // The press handler of the item list: the row buttons, the selection and, for the right
    // button, the shop menu. An error of the favourites store is shown in the default error
    // display and ends the press there.
    void itemTreeMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                           bool doubleClick, QPoint pos);
    // The window-moved handler: keeps PreviewLeft at the screen x where the preview popup goes.
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
    // "进入店铺": opens the shop of SelectedItem in the browser.
    void N_GoshopClick();
    // Fetches the version file from the maker's web server and, when it names another
    // version, asks whether to upgrade and opens its download page on OK. Blocks for at most
    // the version file's time-out; its failures show nothing.
    void CheckForUpdate();

    // ufrmmain_search.cpp: search, sorting and paging
    // Wires the search, sort, page and favourites buttons; the constructor calls it once.
    void ConnectResultCommands();
    // The keyword search: the trimmed text of E_Serch, page 1; nothing for an empty text.
    void b_SrechClick();
    // The sort buttons: flip Tag, then sort the rows on screen by credit, price, sales or
    // cash-back, ascending when Tag is 0.
    void b_xinClick();
    void b_jiageClick();
    void b_xiaoClick();
    void b_fanClick();
    // Previous and next page, refused with a message at pages 1 and 99; the page list loads
    // the page chosen each time it closes.
    void B_PFristClick();
    void b_PnextClick();
    void cbox_pagecountCloseUp();
    // "相近商品": a keyword search for the last characters of the right-clicked item's title.
    void N_DbClick();

    // ufrmmain_favourites.cpp: the favourites view and the way back
    void b_scClick();
    void b_fshopClick();
    // Lists every stored favourite with one picture download worker for all of them. Raises
    // the database's error; rows read before it stay listed.
    void ListFavourites();

    // The parameters of the last item page asked of the gateway, so that it can be asked for
    // again with a fresh signature.
    struct SearchQuery {
        SearchMode Mode = SearchMode::Keyword;
        std::string Keyword;
        std::string CategoryId;
        std::int32_t PageNo = 1;
    };

    // The search state.
    std::optional<SearchQuery> FLastQuery;  // empty while the start-up list is shown
    std::string FKeyword;
    std::string FCategoryId;
    std::string FLastAddress;
    SearchMode FSearchMode = SearchMode::None;
    std::int32_t FPageNo = 1;
    std::int32_t Tag = 0;  // the shared direction toggle of the sort buttons

    // The controls.
    QMenuBar *MenuBar = nullptr;
    QAction *N1 = nullptr, *N2 = nullptr, *N3 = nullptr, *N4 = nullptr, *N5 = nullptr,
            *N6 = nullptr, *N7 = nullptr, *N8 = nullptr;
    QMenu *Pop_MShop = nullptr;
    QAction *N_Db = nullptr, *N10 = nullptr, *N_Goshop = nullptr;

    QFrame *pnl_left = nullptr;
    PictureButton *b_sc = nullptr;
    PictureBox *img_shopclass = nullptr;
    VirtualTree *vlefttree = nullptr;
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
    VirtualTree *itemTree = nullptr;

    QFrame *pnl_PageControls = nullptr;
    QPushButton *B_PFrist = nullptr;
    PageComboBox *cbox_pagecount = nullptr;
    QPushButton *b_Pnext = nullptr;

    QTimer *trm_load = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    // Builds the request of one item page, remembers it as the last one and loads it.
    void LoadQuery(SearchMode mode, const std::string &keyword, const std::string &cid,
                   std::int32_t pageNo);
    // Loads page FPageNo of the current keyword or category search.
    void LoadCurrentPage();
    void SortBy(ItemSortKey key);
    void ShowPageMessage(const QString &text);
    void CreateControls();
    void CreateMenus();
    void SetTabOrder();
    void FormCreate(const ProgramPaths &paths);
    void FormShow();
    void LoadInterfacePictures();
    void LoadButtonPictures(PictureButton *button, const char *baseName);
    void FillPageList();
    // A worker's repaint request for an item: its thumbnail is made off this window's thread
    // and then handed to the item list.
    std::function<void(const std::string &id)> RefreshRequest();
    // A new picture worker, registered with the core object before its jobs are added.
    TImgDown *NewPictureWorker();
    // Starts the workers, whose jobs are all queued, once the event loop runs again, after
    // the page being loaded is shown, and then destroys the workers that have finished.
    void StartWhenShown(std::vector<TImgDown *> workers);

    std::unique_ptr<TZipFile> FZipFile;
    std::unique_ptr<TCommon> FCommon;
    std::unique_ptr<TItemTree> FItemTree;
    std::unique_ptr<ItemThumbnails> FThumbnails;
    std::unique_ptr<TleftTree> FLeftTree;
    std::unique_ptr<Tfrm_imgframe> FImgFrame;
    std::unique_ptr<Gateway> FGateway;  // the gateway queries' connection and XML document
    bool FShown = false;
    bool FDestroyed = false;
};

}  // namespace quenbo
