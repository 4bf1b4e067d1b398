#pragma once

#include <QString>

namespace quenbo {

// The window's skin: one style sheet that frames the three panels and draws the menu bar, the
// edit box, the drop-down lists and the page buttons in one quiet look.
QString skinStyleSheet();

// Maps the font faces the layout names ("新宋体", "Tahoma", "Arial", "MS Sans Serif") to
// installed faces that cover both Latin and Chinese text. Call once after the application
// object exists.
void installFontSubstitutions();

}  // namespace quenbo
