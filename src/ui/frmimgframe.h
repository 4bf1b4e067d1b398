#pragma once

#include <QWidget>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace quenbo {

class PictureBox;
class TCommon;

// The picture preview popup: a borderless 222 x 222 window with a red one-pixel frame that
// shows an item's cached picture at its natural size, cut at 220 x 220. The item list places,
// shows and hides it; showing it never takes the focus or the mouse from the main window, so
// the list keeps receiving mouse moves. GUI thread only.
class Tfrm_imgframe : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSide = 222;
    static constexpr int kPictureSide = 220;

    // A hidden popup owned by owner; common must outlive it.
    Tfrm_imgframe(const TCommon &common, QWidget *owner);

    // Shows the item's cached picture in img_pic; only the part the popup shows is decoded.
    // Nothing changes when the item has no cache file. Raises PictureError when the file
    // cannot be read or is not a picture; img_pic then keeps its previous picture. The same
    // file (same item, size and time) is decoded once: asked again, the picture stays and a
    // failure is raised again without reading the file; a new download is read anew.
    void ShowPicture(const std::string &id);

    PictureBox *img_pic = nullptr;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void FormCreate();

    // The cache file last asked for, and the error it gave, if any.
    struct ShownFile {
        std::string Id;
        std::uintmax_t Size = 0;
        std::filesystem::file_time_type Time;
        std::string Error;
    };

    const TCommon &FCommon;
    std::optional<ShownFile> FShown;
};

}  // namespace quenbo
