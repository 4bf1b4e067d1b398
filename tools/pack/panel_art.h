#pragma once

#include <QImage>

namespace quenbo::pack {

// The sort strip's background ("t_top"), 25 high. Every column is alike, so the window may
// stretch it to any width.
QImage sortStripBackground(int width = 447);

// The selected item row's background ("treedown"): 84 high like a row, columns all alike so
// that stretching it over the whole cell keeps it even.
QImage selectedRowBackground();

// The heading above the category tree ("shopclass"), 203 x 24, "商品分类".
QImage categoryHeading();

// The stand-by thumbnail of an item whose picture has not arrived ("loadimg"), 80 x 80, the
// size of the thumbnail square it is drawn into.
QImage standbyThumbnail();

// The thumbnail of an item whose picture could not be had ("nopic"): the download failed or
// the cached picture does not decode. Same size and card as the stand-by, "暂无图片".
QImage noPictureThumbnail();

// The marker of a category with subcategories ("class_1"): an 8 x 9 right-pointing triangle
// on a transparent ground, drawn at y 7 of a 24-pixel row, left of the text.
QImage parentMarker();

}  // namespace quenbo::pack
