#include "window_controls.h"

#include "ui/page_combo_box.h"
#include "ui/picture_box.h"
#include "ui/picture_button.h"
#include "ui/ufrmmain.h"

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

namespace quenbo::testsupport {

namespace {

template <typename Control> void find(const QWidget &window, Control *&control, const char *name)
{
    control = window.findChild<Control *>(QString::fromLatin1(name));
    if (!control)
        qFatal("the main window has no control %s", name);
}

}  // namespace

#define QUENBO_FIND(name) find(window, name, #name)

WindowControls::WindowControls(const QWidget &window)
{
    QUENBO_FIND(MenuBar);
    QUENBO_FIND(N1);
    QUENBO_FIND(N2);
    QUENBO_FIND(N3);
    QUENBO_FIND(N4);
    QUENBO_FIND(N5);
    QUENBO_FIND(N6);
    QUENBO_FIND(N7);
    QUENBO_FIND(N8);
    QUENBO_FIND(Pop_MShop);
    QUENBO_FIND(N_Db);
    QUENBO_FIND(N10);
    QUENBO_FIND(N_Goshop);
    QUENBO_FIND(pnl_left);
    QUENBO_FIND(b_sc);
    QUENBO_FIND(img_shopclass);
    QUENBO_FIND(vlefttree);
    QUENBO_FIND(pnl_load);
    QUENBO_FIND(img_load);
    QUENBO_FIND(pnl_top);
    QUENBO_FIND(cb_paixu);
    QUENBO_FIND(Label2);
    QUENBO_FIND(E_Serch);
    QUENBO_FIND(b_Srech);
    QUENBO_FIND(pnl_bottom);
    QUENBO_FIND(pnl_Ttop);
    QUENBO_FIND(img_top);
    QUENBO_FIND(L_Sort);
    QUENBO_FIND(b_xin);
    QUENBO_FIND(b_jiage);
    QUENBO_FIND(b_xiao);
    QUENBO_FIND(b_fan);
    QUENBO_FIND(b_fshop);
    QUENBO_FIND(itemTree);
    QUENBO_FIND(pnl_PageControls);
    QUENBO_FIND(B_PFrist);
    QUENBO_FIND(cbox_pagecount);
    QUENBO_FIND(b_Pnext);
    QUENBO_FIND(L_Status);
    QUENBO_FIND(trm_load);
}

#undef QUENBO_FIND

WindowControls ui(const Tfrm_main *window)
{
    return WindowControls(*window);
}

WindowControls ui(const std::unique_ptr<Tfrm_main> &window)
{
    return WindowControls(*window);
}

}  // namespace quenbo::testsupport
