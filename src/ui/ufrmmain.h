#pragma once

#include "virtual_tree.h"
#include "xml_document.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

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

class HttpClient;
class PictureBox;
class PictureButton;
class TCommon;
class TZipFile;
class TleftTree;

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

    // appDir is the folder that holds the program, ending in "/". Raises, with a message that
    // names the file or the setting, when the archive cannot be opened or a base setting does
    // not decode; nothing of the window's objects is left then.
    explicit Tfrm_main(const QString &appDir, QWidget *parent = nullptr);
    ~Tfrm_main() override;

    const TZipFile &ZipFile() const { return *FZipFile; }
    TCommon &Common() const { return *FCommon; }
    TleftTree &LeftTree() const { return *FLeftTree; }
    // The connection that the gateway queries use.
    HttpClient &Http() const { return *FHttp; }

    // Releases the application's objects in order; runs once, also from the destructor. An
    // error of the settings file at shutdown is shown in a message box.
    void FormDestroy();
    // Lays the panels out for the current client size.
    void FormResize();
    // The first loading, run once by trm_load about one second after the window first shows.
    void trm_loadTimer();

    // Asks the gateway for the subcategories of parentId and adds them to the category tree;
    // hides the loading indicator at the end, whatever happened. Failures show nothing.
    void LoadCategoryLevel(const std::string &parentId);
    // The press handler of the category tree: loads a category's subcategories on its first
    // press, opens or closes it, and starts the category search on a double-click.
    void vlefttreeMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                            bool doubleClick, QPoint pos);
    // The category search: enables the page strip, sets the search state to category cid and
    // loads its first page.
    void SearchCategory(const std::string &cid);
    // Placeholder until the item query exists: the request address for an item search; empty.
    std::string BuildItemQuery(int mode, const std::string &keyword, const std::string &cid,
                               int pageNo);
    // Placeholder until the item list exists: loading an item page does nothing yet.
    void LoadItemPage(const std::string &address);

    // The search state.
    std::string FKeyword;
    std::string FCategoryId;
    std::string FLastAddress;
    std::int32_t FSearchMode = -1;
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
    QComboBox *cbox_pagecount = nullptr;
    QPushButton *b_Pnext = nullptr;

    QTimer *trm_load = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void CreateControls();
    void CreateMenus();
    void SetTabOrder();
    void FormCreate(const QString &appDir);
    void FormShow();
    void LoadInterfacePictures();
    void LoadButtonPictures(PictureButton *button, const char *baseName);
    void FillPageList();

    std::unique_ptr<TZipFile> FZipFile;
    std::unique_ptr<TCommon> FCommon;
    std::unique_ptr<TleftTree> FLeftTree;
    std::unique_ptr<HttpClient> FHttp;
    XmlDocument Xml;  // the XML document that fetches and reads the gateway's answers
    bool FShown = false;
    bool FDestroyed = false;
};

}  // namespace quenbo
