#include "pack/artwork.h"

#include "pack/art_style.h"
#include "pack/button_art.h"
#include "pack/credit_icon_art.h"
#include "pack/loading_art.h"
#include "pack/panel_art.h"
#include "pictures/picture_writers.h"

namespace quenbo::pack {

namespace {

// Quality high enough that white captions on the orange heading keep clean edges.
constexpr int kJpegQuality = 94;

ArchiveEntry bitmapEntry(const QString &baseName, const QImage &image)
{
    return {baseName.toStdString() + ".bmp", EncodeBmp(toRgba(image)), true};
}

ArchiveEntry jpegEntry(const QString &baseName, const QImage &image)
{
    return {baseName.toStdString() + ".jpg", EncodeJpeg(toRgba(image), kJpegQuality), false};
}

}  // namespace

std::vector<ArchiveEntry> artworkEntries()
{
    std::vector<ArchiveEntry> entries;
    entries.push_back(jpegEntry("shopclass", categoryHeading()));
    entries.push_back(bitmapEntry("t_top", sortStripBackground()));

    std::vector<GifFrame> loading;
    for (const QImage &frame : loadingFrames())
        loading.push_back(GifFrame{toRgba(frame), kLoadingFrameMs});
    entries.push_back({"load.gif", EncodeGif(loading, 0), false});

    for (const ButtonPicture &button : pictureButtons())
        entries.push_back(bitmapEntry(button.baseName, button.image));
    entries.push_back(bitmapEntry("treedown", selectedRowBackground()));
    for (const ButtonPicture &button : rowButtons())
        entries.push_back(bitmapEntry(button.baseName, button.image));
    entries.push_back(jpegEntry("loadimg", standbyThumbnail()));
    entries.push_back(jpegEntry("nopic", noPictureThumbnail()));

    for (int level = 1; level <= 20; ++level) {
        const std::vector<GifFrame> icon{GifFrame{toRgba(creditIcon(level)), 0}};
        entries.push_back(
            {std::to_string(level) + ".gif", EncodeGif(icon, TGifImage::kNoLoopExtension), false});
    }
    entries.push_back({"class_1.png", EncodePng(toRgba(parentMarker())), false});
    return entries;
}

}  // namespace quenbo::pack
