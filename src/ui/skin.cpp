#include "skin.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

// Resources of a static library are registered by hand; it must happen at global scope.
static void registerSkinResources()
{
    Q_INIT_RESOURCE(skin);
}

namespace quenbo {

QString skinStyleSheet()
{
    registerSkinResources();
    return QStringLiteral(R"(
QFrame#pnl_left, QFrame#pnl_top, QFrame#pnl_bottom {
    border: 1px solid #9fb4cc;
    border-radius: 3px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fbfcfe, stop:1 #e9eff6);
}
QFrame#pnl_bottom { background: #ffffff; }
QWidget#pnl_Ttop { background: transparent; }
QMenuBar#MenuBar {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f7f9fc, stop:1 #dfe7f1);
    border-bottom: 1px solid #b6c6d8;
    padding: 0px;
}
QMenuBar#MenuBar::item { padding: 3px 10px; background: transparent; color: #1d2a3a; }
QMenuBar#MenuBar::item:selected { background: #cfe0f3; border-radius: 2px; }
QMenu { background: #ffffff; border: 1px solid #9fb4cc; padding: 2px; }
QMenu::item { padding: 4px 24px 4px 22px; color: #1d2a3a; }
QMenu::item:selected { background: #cfe0f3; }
QMenu::separator { height: 1px; background: #d5dee8; margin: 3px 6px; }
QLineEdit#E_Serch {
    border: 1px solid #9fb4cc;
    border-radius: 2px;
    background: #ffffff;
    color: #000000;
    padding: 0px 3px;
    selection-background-color: #3d7fc4;
}
QLineEdit#E_Serch:focus { border-color: #3d7fc4; }
QComboBox#cb_paixu, QComboBox#cbox_pagecount {
    border: 1px solid #9fb4cc;
    border-radius: 2px;
    background: #ffffff;
    color: #1d2a3a;
    padding: 0px 4px;
}
QComboBox#cb_paixu:disabled, QComboBox#cbox_pagecount:disabled { color: #9aa5b1; border-color: #c9d3de; }
QComboBox::drop-down {
    subcontrol-origin: padding;
    subcontrol-position: top right;
    width: 15px;
    border: none;
    border-left: 1px solid #d5dee8;
}
QComboBox::down-arrow { image: url(:/skin/arrow_down.xpm); width: 7px; height: 4px; }
QComboBox QAbstractItemView { border: 1px solid #9fb4cc; selection-background-color: #cfe0f3; selection-color: #1d2a3a; }
QPushButton#B_PFrist, QPushButton#b_Pnext {
    border: 1px solid #9fb4cc;
    border-radius: 2px;
    color: #1d2a3a;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #e3ebf4);
}
QPushButton#B_PFrist:hover, QPushButton#b_Pnext:hover { border-color: #3d7fc4; }
QPushButton#B_PFrist:pressed, QPushButton#b_Pnext:pressed { background: #d3e1f0; }
QPushButton#B_PFrist:disabled, QPushButton#b_Pnext:disabled { color: #9aa5b1; border-color: #c9d3de; background: #f4f6f9; }
QToolTip { border: 1px solid #9fb4cc; background: #fffbe6; color: #1d2a3a; padding: 2px; }
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
