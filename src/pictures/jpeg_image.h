#pragma once

#include "pictures/picture.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace quenbo {

// A JPEG picture that keeps the file's bytes. Loading checks the header from
// start-of-image to start-of-scan (libjpeg) and accepts an empty buffer as an empty
// picture; the pixels are decoded on first use and kept.
class TJpegImage : public TPicture {
public:
    void LoadFromBuffer(ByteSpan data) override;
    bool Empty() const override { return m_bytes.empty(); }
    int Width() const override { return m_width; }
    int Height() const override { return m_height; }

    const std::vector<std::uint8_t> &Bytes() const { return m_bytes; }
    // Decodes on the first call and returns the kept pixels afterwards. An empty picture
    // gives an empty image; data that cannot be decoded raises PictureError (each call).
    const RgbaImage &Decoded() const;
    bool IsDecoded() const { return m_decoded.has_value(); }
    // Decodes at the smallest of libjpeg's DCT scales (1/8 to 1 in eighths) that still gives
    // at least width x height pixels, or at full size when even that is smaller, and keeps
    // nothing: for a picture that is only shown reduced, at a fraction of the full decode's
    // time and memory. Empty and undecodable pictures behave as with Decoded.
    RgbaImage DecodeReduced(int width, int height) const;
    // Decodes at full scale only the top-left width x height pixels (a little wider where
    // libjpeg's blocks end further right), as a view that shows the picture at its natural
    // size cut at that size needs; the rows below are not decoded. Keeps nothing. Empty and
    // undecodable pictures behave as with Decoded.
    RgbaImage DecodeTopLeft(int width, int height) const;
    // Changes at every load, so a copy made of the pixels can tell whether it still shows
    // what the object holds.
    std::uint64_t LoadSerial() const { return m_loadSerial; }

private:
    std::vector<std::uint8_t> m_bytes;
    int m_width = 0;
    int m_height = 0;
    mutable std::optional<RgbaImage> m_decoded;
    std::uint64_t m_loadSerial = 0;
};

// Reads only the header of a JPEG buffer, up to the start of scan, and raises
// PictureError when it is not a JPEG header libjpeg accepts. Used to check a
// downloaded picture before it is cached.
void CheckJpegHeader(ByteSpan data, int *width = nullptr, int *height = nullptr);

}  // namespace quenbo
