#pragma once

#include "ui/category_tree_view.h"
#include "ui/ufrmmain.h"

#include <memory>

namespace quenbo::testsupport {

// The main window's controls, found by their object names, for the suites and benchmarks that
// press and read them. A control that cannot be found ends the program with its name.
struct WindowControls {
    explicit WindowControls(const QWidget &window);

    QMenuBar *MenuBar;
    QAction *N1, *N2, *N3, *N4, *N5, *N6, *N7, *N8;
    QMenu *Pop_MShop;
    QAction *N_Db, *N10, *N_Goshop;
    QFrame *pnl_left;
    PictureButton *b_sc;
    PictureBox *img_shopclass;
    QTreeView *vlefttree;
    QFrame *pnl_load;
    PictureBox *img_load;
    QFrame *pnl_top;
    QComboBox *cb_paixu;
    QLabel *Label2;
    QLineEdit *E_Serch;
    PictureButton *b_Srech;
    QFrame *pnl_bottom;
    QWidget *pnl_Ttop;
    PictureBox *img_top;
    QLabel *L_Sort;
    PictureButton *b_xin, *b_jiage, *b_xiao, *b_fan, *b_fshop;
    QListView *itemTree;
    QFrame *pnl_PageControls;
    QPushButton *B_PFrist;
    PageComboBox *cbox_pagecount;
    QPushButton *b_Pnext;
    QLabel *L_Status;
    QTimer *trm_load;
};

inline WindowControls ui(const QWidget &window)
{
    return WindowControls(window);
}
WindowControls ui(const Tfrm_main *window);
WindowControls ui(const std::unique_ptr<Tfrm_main> &window);

}  // namespace quenbo::testsupport
