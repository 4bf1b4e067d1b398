#pragma once

#include "pictures/gif_image.h"
#include "pictures/picture.h"

#include <cstdint>
#include <vector>

// Encoders for the pictures our own tools produce (the resource packer, the sandbox's
// generated item pictures). Each raises PictureError when it cannot encode.

namespace quenbo {

// Baseline JPEG, 4:2:0, with libjpeg-turbo. Alpha is ignored.
std::vector<std::uint8_t> EncodeJpeg(const RgbaImage &image, int quality = 88);

// Uncompressed bottom-up BMP: 24 bits a pixel for opaque images, 32 bits (BI_BITFIELDS
// with an alpha mask) when any pixel is not fully opaque.
std::vector<std::uint8_t> EncodeBmp(const RgbaImage &image);

// 8-bit RGBA PNG with libpng.
std::vector<std::uint8_t> EncodePng(const RgbaImage &image);

// An animated GIF with giflib: each frame (all the same size) is quantised to at most
// 255 colours plus one transparent index for pixels with alpha below 128; frames are
// full-size with "restore to background" disposal. loopCount 0 repeats without end,
// TGifImage::kNoLoopExtension writes no looping extension.
std::vector<std::uint8_t> EncodeGif(const std::vector<GifFrame> &frames, int loopCount);

}  // namespace quenbo
