#pragma once

#include <QPalette>
#include <QString>

namespace quenbo {

// The window's skin: one style sheet that frames the three panels and draws the menu bar, the
// edit box, the drop-down lists, the page buttons and the scroll bars in one quiet look. What
// it draws keeps its colours under any desktop palette or style, dark ones included.
QString skinStyleSheet();

// The colours the skin and its artwork are drawn for: the light greys and white fields of
// Qt's Fusion style, whatever the desktop's theme is.
QPalette skinPalette();

// Maps the font faces the layout names ("新宋体", "Tahoma", "Arial", "MS Sans Serif") to
// installed faces that cover both Latin and Chinese text. Call once after the application
// object exists.
void installFontSubstitutions();

}  // namespace quenbo
