// The window's controls at their designed places, its menus, tab order and resize rule.
#include "ui/ufrmmain.h"

#include "ui/category_tree_view.h"
#include "ui/picture_box.h"
#include "ui/picture_button.h"
#include "ui/skin.h"
#include "ui/uItemTree.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace quenbo {

namespace {

template <class T> T *make(QWidget *parent, const char *name, QRect bounds)
{
    auto *widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(bounds);
    return widget;
}

QFrame *framedPanel(QWidget *parent, const char *name, QRect bounds)
{
    auto *panel = make<QFrame>(parent, name, bounds);
    panel->setFrameShape(QFrame::StyledPanel);
    return panel;
}

QFrame *plainPanel(QWidget *parent, const char *name, QRect bounds)
{
    auto *panel = make<QFrame>(parent, name, bounds);
    panel->setFrameShape(QFrame::NoFrame);
    return panel;
}

// A picture button has no text of its own: its name is what assistive technology reads, and
// its hint says what it does.
PictureButton *pictureButton(QWidget *parent, const char *name, QRect bounds, const char *caption,
                             const char *hint)
{
    auto *button = make<PictureButton>(parent, name, bounds);
    button->setAccessibleName(QString::fromUtf8(caption));
    button->setToolTip(QString::fromUtf8(hint));
    return button;
}

QFont fontWithPixels(const char *family, int pixels)
{
    QFont font(QString::fromUtf8(family));
    font.setPixelSize(pixels);
    return font;
}

}  // namespace

void Tfrm_main::CreateControls()
{
    setObjectName(QStringLiteral("frm_main"));
    setWindowTitle(QStringLiteral("Quenbo"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(fontWithPixels("Tahoma", 11));
    setStyleSheet(skinStyleSheet());

    pnl_left = framedPanel(this, "pnl_left", {16, 28, 217, 357});
    b_sc = pictureButton(pnl_left, "b_sc", {3, 2, 199, 36}, "我的收藏", "列出收藏的商品");
    img_shopclass = make<PictureBox>(pnl_left, "img_shopclass", {0, 40, 203, 24});
    vlefttree = make<CategoryTreeView>(pnl_left, "vlefttree", {11, 124, 200, 100});
    vlefttree->setAccessibleName(QStringLiteral("商品分类"));
    pnl_load = plainPanel(pnl_left, "pnl_load", {1, 70, 197, 47});
    pnl_load->setAutoFillBackground(true);
    pnl_load->hide();
    img_load = make<PictureBox>(pnl_load, "img_load", {0, 0, 197, 47});

    pnl_top = framedPanel(this, "pnl_top", {239, 28, 618, 61});
    cb_paixu = make<QComboBox>(pnl_top, "cb_paixu", {8, 9, 120, 22});
    for (const char *caption :
         {"默认排序", "价格从低到高", "价格从高到低", "信用从高到低", "销量成高到低"})
        cb_paixu->addItem(QString::fromUtf8(caption));
    cb_paixu->setCurrentIndex(0);
    cb_paixu->setMaxVisibleItems(8);
    cb_paixu->setAccessibleName(QStringLiteral("排序方式"));
    Label2 = make<QLabel>(pnl_top, "Label2", {134, 14, 48, 13});
    Label2->setText(QStringLiteral("关键字："));
    E_Serch = make<QLineEdit>(pnl_top, "E_Serch", {181, 5, 377, 18});
    E_Serch->setFont(fontWithPixels("Arial", 14));
    E_Serch->setAccessibleName(QStringLiteral("关键字"));
    b_Srech = pictureButton(pnl_top, "b_Srech", {564, 3, 106, 27}, "搜索", "按关键字搜索商品");

    pnl_bottom = framedPanel(this, "pnl_bottom", {297, 159, 449, 285});
    pnl_Ttop = make<QWidget>(pnl_bottom, "pnl_Ttop", {1, 1, 447, 25});
    img_top = make<PictureBox>(pnl_Ttop, "img_top", {0, 0, 447, 25});
    img_top->setStretch(true);
    L_Sort = make<QLabel>(pnl_Ttop, "L_Sort", {10, 8, 60, 12});
    L_Sort->setText(QStringLiteral("排序切换："));
    L_Sort->setFont(fontWithPixels("新宋体", 12));
    b_xin = pictureButton(pnl_Ttop, "b_xin", {68, 3, 42, 19}, "信用排序", "信用升降排序");
    b_jiage = pictureButton(pnl_Ttop, "b_jiage", {111, 3, 46, 19}, "价格排序", "价格升降排序");
    b_xiao = pictureButton(pnl_Ttop, "b_xiao", {160, 3, 42, 19}, "销量排序", "销量升降排序");
    b_fan = pictureButton(pnl_Ttop, "b_fan", {203, 3, 46, 19}, "返现排序", "返现金额升降排序");
    b_fshop =
        pictureButton(pnl_Ttop, "b_fshop", {368, 0, 73, 23}, "返回", "离开收藏，回到商品列表");
    b_fshop->hide();
    itemTree = make<QListView>(pnl_bottom, "itemTree", {1, 26, 447, 258});
    itemTree->setAccessibleName(QStringLiteral("商品列表"));
    itemTree->setFrameShape(QFrame::NoFrame);
    itemTree->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Rows are drawn on plain white, and so is the list below the last row, whatever the theme.
    QPalette listPalette = itemTree->palette();
    listPalette.setColor(QPalette::Base, Qt::white);
    itemTree->setPalette(listPalette);

    pnl_PageControls = plainPanel(this, "pnl_PageControls", {608, 424, 219, 24});
    B_PFrist = make<QPushButton>(pnl_PageControls, "B_PFrist", {1, 0, 65, 23});
    B_PFrist->setText(QStringLiteral("上一页"));
    cbox_pagecount = make<PageComboBox>(pnl_PageControls, "cbox_pagecount", {69, 0, 81, 20});
    cbox_pagecount->setMaxVisibleItems(8);
    cbox_pagecount->setAccessibleName(QStringLiteral("页码"));
    b_Pnext = make<QPushButton>(pnl_PageControls, "b_Pnext", {153, 0, 65, 23});
    b_Pnext->setText(QStringLiteral("下一页"));
    for (QPushButton *button : {B_PFrist, b_Pnext}) {
        button->setFocusPolicy(Qt::StrongFocus);
        button->setAutoDefault(false);
    }
    pnl_PageControls->setEnabled(false);
    // The status line takes the free part of the page strip's row, left of the page controls.
    L_Status = make<QLabel>(this, "L_Status", {297, 448, 460, 24});
    L_Status->setTextFormat(Qt::PlainText);
    L_Status->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    L_Status->setFont(fontWithPixels("新宋体", 12));

    trm_load = new QTimer(this);
    trm_load->setObjectName(QStringLiteral("trm_load"));
    trm_load->setInterval(1000);
    connect(trm_load, &QTimer::timeout, this, &Tfrm_main::trm_loadTimer);

    CreateMenus();
    SetTabOrder();
    // Under a style sheet Qt hands the window's font on only to the window's own children;
    // every control inside the panels without a font of its own takes the window font too,
    // and so do the lists the drop-down boxes open. The menus and the preview are windows of
    // their own and keep the desktop's font.
    for (QWidget *control : findChildren<QWidget *>())
        if (!control->isWindow() && !control->testAttribute(Qt::WA_SetFont))
            control->setFont(font());
    for (QComboBox *box : {cb_paixu, static_cast<QComboBox *>(cbox_pagecount)})
        box->view()->setFont(font());
    // The skin keeps its own colours under any desktop theme. Set once every control and menu
    // exists, so that it reaches each of them.
    setPalette(skinPalette());
}

void Tfrm_main::CreateMenus()
{
    MenuBar = make<QMenuBar>(this, "MenuBar", {0, 0, 868, 22});
    MenuBar->setNativeMenuBar(false);
    const auto submenu = [this](const char *name, const char *caption) {
        QMenu *menu = MenuBar->addMenu(QString::fromUtf8(caption));
        menu->setObjectName(QString::fromLatin1(name) + QStringLiteral("_menu"));
        menu->menuAction()->setObjectName(QString::fromLatin1(name));
        return menu;
    };
    const auto item = [](QMenu *menu, const char *name, const char *caption) {
        QAction *action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };

    QMenu *file = submenu("N1", "文   件(&F)");
    N1 = file->menuAction();
    N2 = item(file, "N2", "退出");
    QMenu *settings = submenu("N3", "设   置(&S)");
    N3 = settings->menuAction();
    N4 = item(settings, "N4", "数据缓存");
    N4->setCheckable(true);
    QMenu *help = submenu("N5", "帮   助(&H)");
    N5 = help->menuAction();
    N6 = item(help, "N6", "关于软件");
    N6->setVisible(false);
    N7 = item(help, "N7", "在线帮助");
    N8 = item(help, "N8", "意见反馈");

    Pop_MShop = new QMenu(this);
    Pop_MShop->setObjectName(QStringLiteral("Pop_MShop"));
    N_Db = item(Pop_MShop, "N_Db", "相近商品");
    N10 = Pop_MShop->addSeparator();
    N10->setObjectName(QStringLiteral("N10"));
    N_Goshop = item(Pop_MShop, "N_Goshop", "进入店铺");
}

void Tfrm_main::SetTabOrder()
{
    // Panels come in the window's order (left column, search strip, result area, page strip);
    // picture buttons, pictures and the menu bar never take the focus.
    QWidget *chain[] = {vlefttree, E_Serch, cb_paixu, itemTree, B_PFrist, cbox_pagecount, b_Pnext};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

void Tfrm_main::FormResize()
{
    const int w = width();
    const int h = height();
    MenuBar->setGeometry(0, 0, w, 22);
    pnl_left->setGeometry(1, 24, 205, h - 26);
    pnl_top->setGeometry(207, 24, w - 209, 40);
    pnl_bottom->setGeometry(207, 66, w - 209, h - 90);
    // The sort strip and the item list fill the result panel's inner area, inside its frame.
    pnl_Ttop->setGeometry(1, 1, pnl_bottom->width() - 2, 25);
    img_top->setGeometry(0, 0, pnl_Ttop->width(), pnl_Ttop->height());
    itemTree->setGeometry(1, 26, pnl_bottom->width() - 2, pnl_bottom->height() - 27);
    E_Serch->setGeometry(181, 5, 390, 22);
    b_Srech->setBounds(E_Serch->x() + E_Serch->width() + 5, 4, 106, 27);
    img_shopclass->setGeometry(1, 40, 203, 24);
    vlefttree->setGeometry(2, 64, 202, pnl_left->height() - 65);
    pnl_load->setGeometry(2, 64, 197, 47);
    pnl_PageControls->setGeometry(w - pnl_PageControls->width() - 5,
                                  pnl_bottom->y() + pnl_bottom->height() + 1, 219, 24);
    L_Status->setGeometry(pnl_bottom->x() + 2, pnl_PageControls->y(),
                          pnl_PageControls->x() - pnl_bottom->x() - 7, 24);
    b_fshop->move(pnl_Ttop->width() - 75, b_fshop->y());
    if (FItemTree)
        FItemTree->SetColumnWidth(itemTree->width() - 20);
}

}  // namespace quenbo
