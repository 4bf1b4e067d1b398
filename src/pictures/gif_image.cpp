#include "pictures/gif_image.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace quenbo {

namespace {

struct MemoryInput {
    ByteSpan data;
    std::size_t position = 0;
};

// giflib treats a short read as the end of the file.
int readFromMemory(GifFileType *gif, GifByteType *destination, int length)
{
    auto *input = static_cast<MemoryInput *>(gif->UserData);
    const std::size_t wanted = length > 0 ? std::size_t(length) : 0;
    const std::size_t count = std::min(wanted, input->data.size() - input->position);
    if (count > 0)
        std::memcpy(destination, input->data.data() + input->position, count);
    input->position += count;
    return int(count);
}

struct GifCloser {
    void operator()(GifFileType *gif) const { DGifCloseFile(gif, nullptr); }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

[[noreturn]] void fail(const char *where, int code)
{
    const char *reason = GifErrorString(code);
    throw PictureError(std::string("GIF ") + where + ": " + (reason ? reason : "unknown error"));
}

// The graphic control extension that applies to the next image only.
struct FrameControl {
    int disposal = DISPOSAL_UNSPECIFIED;
    int transparentIndex = NO_TRANSPARENT_COLOR;
    int delayMs = 0;
};

// Row of the image that the n-th stored row fills, for interlaced images.
int interlacedRow(int n, int height)
{
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows =
            height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (n < rows)
            return kStart[pass] + n * kStep[pass];
        n -= rows;
    }
    return height;
}

class GifDecoder {
public:
    explicit GifDecoder(ByteSpan data)
        : m_input{data}
    {
        int error = D_GIF_SUCCEEDED;
        m_gif.reset(DGifOpen(&m_input, readFromMemory, &error));
        if (!m_gif)
            fail("header", error);
        CheckPictureSize(m_gif->SWidth, m_gif->SHeight);
        m_canvas.allocate(m_gif->SWidth, m_gif->SHeight);
    }

    void run()
    {
        for (;;) {
            GifRecordType type = UNDEFINED_RECORD_TYPE;
            if (DGifGetRecordType(m_gif.get(), &type) == GIF_ERROR) {
                // Files that end after a whole frame but lack the trailer are common.
                if (!frames.empty() && m_input.position == m_input.data.size())
                    break;
                fail("record", m_gif->Error);
            }
            if (type == TERMINATE_RECORD_TYPE)
                break;
            if (type == EXTENSION_RECORD_TYPE)
                readExtension();
            else if (type == IMAGE_DESC_RECORD_TYPE)
                readFrame();
        }
        if (frames.empty())
            throw PictureError("GIF has no frames");
    }

    int width() const { return m_canvas.width; }
    int height() const { return m_canvas.height; }

    std::vector<GifFrame> frames;
    int loopCount = TGifImage::kNoLoopExtension;

private:
    void readExtension()
    {
        int code = 0;
        GifByteType *block = nullptr;
        if (DGifGetExtension(m_gif.get(), &code, &block) == GIF_ERROR)
            fail("extension", m_gif->Error);
        bool loopBlockNext = false;
        if (block && code == GRAPHICS_EXT_FUNC_CODE && block[0] >= 4) {
            const int flags = block[1];
            m_control.disposal = (flags >> 2) & 0x07;
            m_control.delayMs = (block[2] | block[3] << 8) * 10;
            m_control.transparentIndex = (flags & 0x01) ? block[4] : NO_TRANSPARENT_COLOR;
        } else if (block && code == APPLICATION_EXT_FUNC_CODE && block[0] == 11) {
            loopBlockNext = std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0 ||
                            std::memcmp(block + 1, "ANIMEXTS1.0", 11) == 0;
        }
        while (block) {
            if (DGifGetExtensionNext(m_gif.get(), &block) == GIF_ERROR)
                fail("extension", m_gif->Error);
            // The first looping extension counts; its sub-block 1 holds the repeat count.
            if (loopBlockNext && block && block[0] >= 3 && block[1] == 1 &&
                loopCount == TGifImage::kNoLoopExtension)
                loopCount = block[2] | block[3] << 8;
            loopBlockNext = false;
        }
    }

    void readFrame()
    {
        GifFileType *gif = m_gif.get();
        if (DGifGetImageDesc(gif) == GIF_ERROR)
            fail("image descriptor", gif->Error);
        const GifImageDesc &desc = gif->Image;
        const std::int64_t screenPixels = std::int64_t(m_canvas.width) * m_canvas.height;
        const std::int64_t framePixels = std::int64_t(desc.Width) * desc.Height;
        // Every frame is kept as a whole screen, and each costs at least its own pixels to
        // decode: both are charged to one budget for the whole animation.
        m_pixelBudget -= std::max(screenPixels, framePixels);
        if (m_pixelBudget < 0)
            throw PictureError("GIF animation has too many pixels");

        const std::optional<RgbaImage> previous =
            m_control.disposal == DISPOSE_PREVIOUS ? std::optional(m_canvas) : std::nullopt;
        if (framePixels == 0)
            skipImageData();
        else
            drawImageData(desc);
        frames.push_back({m_canvas, m_control.delayMs});

        if (m_control.disposal == DISPOSE_BACKGROUND)
            clearRect(desc);
        else if (previous)
            m_canvas = *previous;
        m_control = FrameControl();
    }

    void skipImageData()
    {
        int codeSize = 0;
        GifByteType *block = nullptr;
        if (DGifGetCode(m_gif.get(), &codeSize, &block) == GIF_ERROR)
            fail("image data", m_gif->Error);
        while (block) {
            if (DGifGetCodeNext(m_gif.get(), &block) == GIF_ERROR)
                fail("image data", m_gif->Error);
        }
    }

    void drawImageData(const GifImageDesc &desc)
    {
        const ColorMapObject *map = desc.ColorMap ? desc.ColorMap : m_gif->SColorMap;
        if (!map)
            throw PictureError("GIF frame has no colour table");
        std::vector<GifPixelType> line(std::size_t(desc.Width));
        for (int n = 0; n < desc.Height; ++n) {
            if (DGifGetLine(m_gif.get(), line.data(), desc.Width) == GIF_ERROR)
                fail("image data", m_gif->Error);
            const std::int64_t y =
                std::int64_t(desc.Top) + (desc.Interlace ? interlacedRow(n, desc.Height) : n);
            if (y >= m_canvas.height)
                continue;
            std::uint8_t *row = m_canvas.row(int(y));
            const int visible = int(
                std::clamp<std::int64_t>(std::int64_t(m_canvas.width) - desc.Left, 0, desc.Width));
            for (int x = 0; x < visible; ++x) {
                const int index = line[std::size_t(x)];
                if (index == m_control.transparentIndex)
                    continue;
                std::uint8_t *pixel = row + (std::size_t(desc.Left) + std::size_t(x)) * 4;
                // An index beyond the colour table is drawn black.
                const GifColorType colour =
                    index < map->ColorCount ? map->Colors[index] : GifColorType{0, 0, 0};
                pixel[0] = colour.Red;
                pixel[1] = colour.Green;
                pixel[2] = colour.Blue;
                pixel[3] = 255;
            }
        }
    }

    // "Restore to background": the frame's area becomes transparent again.
    void clearRect(const GifImageDesc &desc)
    {
        const std::int64_t right = std::min<std::int64_t>(desc.Left + desc.Width, m_canvas.width);
        const std::int64_t bottom = std::min<std::int64_t>(desc.Top + desc.Height, m_canvas.height);
        if (right <= desc.Left)
            return;
        for (std::int64_t y = desc.Top; y < bottom; ++y)
            std::memset(m_canvas.row(int(y)) + std::size_t(desc.Left) * 4, 0,
                        std::size_t(right - desc.Left) * 4);
    }

    MemoryInput m_input;
    GifHandle m_gif;
    RgbaImage m_canvas;
    FrameControl m_control;
    std::int64_t m_pixelBudget = kMaxPicturePixels;
};

}  // namespace

void TGifImage::LoadFromBuffer(ByteSpan data)
{
    m_frames.clear();
    m_width = 0;
    m_height = 0;
    m_loopCount = kNoLoopExtension;

    GifDecoder decoder(data);
    decoder.run();
    m_frames = std::move(decoder.frames);
    m_width = decoder.width();
    m_height = decoder.height();
    m_loopCount = decoder.loopCount;
}

}  // namespace quenbo
