#include "ui/skin.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>
#include <QStyle>
#include <QStyleFactory>

#include <memory>

// Resources of a static library are registered by hand; it must happen at global scope.
static void registerSkinResources()
{
    Q_INIT_RESOURCE(skin);
}

namespace quenbo {

QPalette skinPalette()
{
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    return fusion->standardPalette();
}

QString skinStyleSheet()
{
    registerSkinResources();
    // The packed artwork's palette: neutral greys, thin grey frames, rounded corners, and its
    // warm orange (#FF6A00, darker #D95000) wherever the user's attention goes.
    // Under a style sheet a control takes the application's palette for its class, not the
    // window's, and the desktop's style draws whatever the sheet leaves to it; so the sheet
    // draws the buttons, the lists and the scroll bars whole, and gives the page list's scroll
    // arrows (QComboBoxPrivateScroller, drawn from its palette) their colours.
    return QStringLiteral(R"(
QFrame#pnl_left, QFrame#pnl_top, QFrame#pnl_bottom {
    border: 1px solid #c4c4c4;
    border-radius: 3px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fafafa, stop:1 #ececec);
}
QFrame#pnl_bottom { background: #ffffff; }
QWidget#pnl_Ttop { background: transparent; }
QLabel#Label2 { color: #000000; }
QMenuBar#MenuBar {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fbfbfb, stop:1 #e6e6e6);
    border-bottom: 1px solid #c4c4c4;
    padding: 0px;
}
QMenuBar#MenuBar::item { padding: 3px 10px; background: transparent; color: #333333; }
QMenuBar#MenuBar::item:selected { background: #e0e0e0; border-radius: 2px; }
QMenuBar#MenuBar::item:pressed { background: #ff6a00; color: #ffffff; border-radius: 2px; }
QMenu { background: #ffffff; border: 1px solid #bdbdbd; padding: 2px; }
QMenu::item { padding: 4px 24px 4px 22px; color: #333333; }
QMenu::item:selected { background: #ff6a00; color: #ffffff; }
QMenu::item:disabled { color: #999999; }
QMenu::separator { height: 1px; background: #dddddd; margin: 3px 6px; }
QLineEdit#E_Serch {
    border: 1px solid #bdbdbd;
    border-radius: 2px;
    background: #ffffff;
    color: #000000;
    padding: 0px 3px;
    selection-background-color: #ff6a00;
    selection-color: #ffffff;
}
QLineEdit#E_Serch:focus { border-color: #ff6a00; }
QComboBox#cb_paixu, QComboBox#cbox_pagecount {
    border: 1px solid #bdbdbd;
    border-radius: 2px;
    background: #ffffff;
    color: #333333;
    padding: 0px 4px;
}
QComboBox#cb_paixu:focus, QComboBox#cbox_pagecount:focus,
QComboBox#cb_paixu:on, QComboBox#cbox_pagecount:on { border-color: #ff6a00; }
QComboBox#cb_paixu:disabled, QComboBox#cbox_pagecount:disabled { color: #999999; border-color: #d6d6d6; }
QComboBox::drop-down {
    subcontrol-origin: padding;
    subcontrol-position: top right;
    width: 15px;
    border: none;
    border-left: 1px solid #dddddd;
}
QComboBox::down-arrow { image: url(:/skin/arrow_down.xpm); width: 7px; height: 4px; }
QComboBox QAbstractItemView {
    border: 1px solid #bdbdbd;
    background: #ffffff;
    color: #000000;
    selection-background-color: #ff6a00;
    selection-color: #ffffff;
}
QPushButton#B_PFrist, QPushButton#b_Pnext {
    border: 1px solid #bdbdbd;
    border-radius: 3px;
    color: #333333;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #ececec);
}
QPushButton#B_PFrist:hover, QPushButton#b_Pnext:hover {
    border-color: #ff6a00;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fff7ef, stop:1 #ffe4cc);
}
QPushButton#B_PFrist:focus, QPushButton#b_Pnext:focus { border-color: #ff6a00; }
QPushButton#B_PFrist:pressed, QPushButton#b_Pnext:pressed { background: #ffe4cc; border-color: #d95000; }
QPushButton#B_PFrist:disabled, QPushButton#b_Pnext:disabled { color: #999999; border-color: #d6d6d6; background: #f4f4f4; }
QToolTip { border: 1px solid #bdbdbd; background: #fff7ef; color: #333333; padding: 2px; }
QComboBoxPrivateScroller { background: #ffffff; color: #6e6e6e; }
QScrollBar:vertical {
    width: 14px;
    margin: 14px 0px 14px 0px;
    border-left: 1px solid #dddddd;
    background: #f4f4f4;
}
QScrollBar:horizontal {
    height: 14px;
    margin: 0px 14px 0px 14px;
    border-top: 1px solid #dddddd;
    background: #f4f4f4;
}
QScrollBar::handle {
    margin: 1px;
    border: 1px solid #bdbdbd;
    border-radius: 3px;
}
QScrollBar::handle:vertical {
    min-height: 24px;
    background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #ffffff, stop:1 #ececec);
}
QScrollBar::handle:horizontal {
    min-width: 24px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #ececec);
}
QScrollBar::handle:hover { border-color: #ff6a00; }
QScrollBar::handle:pressed { border-color: #d95000; background: #ffe4cc; }
QScrollBar::add-page, QScrollBar::sub-page { background: none; }
QScrollBar::add-line, QScrollBar::sub-line {
    subcontrol-origin: margin;
    border: none;
    background: #f4f4f4;
}
QScrollBar::add-line:hover, QScrollBar::sub-line:hover { background: #e0e0e0; }
QScrollBar::add-line:pressed, QScrollBar::sub-line:pressed { background: #ffe4cc; }
QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical {
    height: 14px;
    border-left: 1px solid #dddddd;
}
QScrollBar::add-line:horizontal, QScrollBar::sub-line:horizontal {
    width: 14px;
    border-top: 1px solid #dddddd;
}
QScrollBar::add-line:vertical { subcontrol-position: bottom; }
QScrollBar::sub-line:vertical { subcontrol-position: top; }
QScrollBar::add-line:horizontal { subcontrol-position: right; }
QScrollBar::sub-line:horizontal { subcontrol-position: left; }
QScrollBar::up-arrow { image: url(:/skin/arrow_up.xpm); width: 7px; height: 4px; }
QScrollBar::down-arrow { image: url(:/skin/arrow_down.xpm); width: 7px; height: 4px; }
QScrollBar::left-arrow { image: url(:/skin/arrow_left.xpm); width: 4px; height: 7px; }
QScrollBar::right-arrow { image: url(:/skin/arrow_right.xpm); width: 4px; height: 7px; }
)");
}

void installFontSubstitutions()
{
    const QStringList installed = QFontDatabase::families();
    const auto present = [&](std::initializer_list<const char *> wanted) {
        QStringList faces;
        for (const char *face : wanted)
            if (installed.contains(QString::fromUtf8(face)))
                faces << QString::fromUtf8(face);
        return faces;
    };
    // A Latin face first keeps the figures and letters the layout was measured with close to
    // the originals; the CJK face after it supplies every Chinese character.
    const QStringList sans = present({"DejaVu Sans", "Noto Sans CJK SC", "Noto Sans CJK TC"});
    const QStringList song = present({"Noto Serif CJK SC", "Noto Sans CJK SC", "DejaVu Serif"});
    QFont::insertSubstitutions(QStringLiteral("新宋体"), song);
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), sans);
    QFont::insertSubstitutions(QStringLiteral("Arial"), sans);
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
}

}  // namespace quenbo
