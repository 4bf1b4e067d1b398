#pragma once

#include <QImage>
#include <QString>

#include <vector>

namespace quenbo::pack {

// The three pictures every button has: the archive names them _1/_2/_3 for the picture
// buttons and "", "_1", "_2" for the row buttons.
enum class ButtonState { Normal, Hot, Pressed };

// One picture of a button, with the base name it is stored under.
struct ButtonPicture {
    QString baseName;
    QImage image;
};

// The seven picture buttons of the main window (the four sort buttons, favourites, search
// and back), three states each, at the bounds the window lays them out with.
std::vector<ButtonPicture> pictureButtons();

// The twelve buttons at the right of an item row: cash-back purchase ("1"), go to the item
// ("2"), add to the favourites ("3") and remove from them ("4"), each normal, hover ("_1")
// and pressed ("_2"). 60 x 22, so that drawn at (600, y) they cover the whole mouse area
// 601..659 x (y+1)..(y+21).
std::vector<ButtonPicture> rowButtons();

}  // namespace quenbo::pack
