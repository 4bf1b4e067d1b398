#include "pictures/picture_writers.h"

#include <gif_lib.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>

namespace quenbo {

namespace {

// Pixels with less alpha than this become the transparent index.
constexpr std::uint8_t kOpaqueFrom = 128;
constexpr int kMaxOpaqueColours = 255;

// One frame as colour table indices.
struct IndexedFrame {
    std::vector<GifColorType> colours;
    std::vector<GifPixelType> indices;
    int transparentIndex = NO_TRANSPARENT_COLOR;
};

// giflib's quantiser keeps its sort axis in a static variable.
std::mutex g_quantiserMutex;

// Colour table and indices for the opaque pixels: their own colours when there are few
// enough, else giflib's median-cut quantiser over them.
std::vector<GifPixelType> indexOpaquePixels(const RgbaImage &image,
                                            std::vector<GifColorType> &colours)
{
    std::vector<GifPixelType> indices;
    std::unordered_map<std::uint32_t, GifPixelType> exact;
    bool fits = true;
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        const std::uint8_t *p = &image.pixels[i];
        if (p[3] < kOpaqueFrom)
            continue;
        const std::uint32_t key = std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
        auto found = exact.find(key);
        if (found == exact.end()) {
            if (exact.size() == kMaxOpaqueColours) {
                fits = false;
                break;
            }
            found = exact.emplace(key, GifPixelType(exact.size())).first;
            colours.push_back({p[0], p[1], p[2]});
        }
        indices.push_back(found->second);
    }
    if (fits)
        return indices;

    colours.clear();
    std::vector<GifByteType> red, green, blue;
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        if (image.pixels[i + 3] < kOpaqueFrom)
            continue;
        red.push_back(image.pixels[i]);
        green.push_back(image.pixels[i + 1]);
        blue.push_back(image.pixels[i + 2]);
    }
    indices.assign(red.size(), 0);
    std::vector<GifColorType> table(256);
    int tableSize = kMaxOpaqueColours;
    {
        const std::lock_guard lock(g_quantiserMutex);
        if (GifQuantizeBuffer(unsigned(red.size()), 1, &tableSize, red.data(), green.data(),
                              blue.data(), indices.data(), table.data()) == GIF_ERROR)
            throw PictureError("cannot quantise GIF frame");
    }
    colours.assign(table.begin(), table.begin() + tableSize);
    return indices;
}

IndexedFrame indexFrame(const RgbaImage &image)
{
    IndexedFrame frame;
    const std::vector<GifPixelType> opaque = indexOpaquePixels(image, frame.colours);
    if (opaque.size() * 4 < image.pixels.size())
        frame.transparentIndex = int(frame.colours.size());
    frame.indices.reserve(image.pixels.size() / 4);
    std::size_t next = 0;
    for (std::size_t i = 3; i < image.pixels.size(); i += 4) {
        frame.indices.push_back(image.pixels[i] < kOpaqueFrom ? GifPixelType(frame.transparentIndex)
                                                              : opaque[next++]);
    }
    return frame;
}

int appendGifBytes(GifFileType *gif, const GifByteType *data, int length)
{
    auto *output = static_cast<std::vector<std::uint8_t> *>(gif->UserData);
    try {
        output->insert(output->end(), data, data + length);
    } catch (const std::bad_alloc &) {
        return 0;
    }
    return length;
}

struct GifCloser {
    void operator()(GifFileType *gif) const { EGifCloseFile(gif, nullptr); }
};

struct ColourMapDeleter {
    void operator()(ColorMapObject *map) const { GifFreeMapObject(map); }
};

class GifWriter {
public:
    explicit GifWriter(std::vector<std::uint8_t> &output)
    {
        int error = E_GIF_SUCCEEDED;
        m_gif.reset(EGifOpen(&output, appendGifBytes, &error));
        if (!m_gif)
            fail(error);
        EGifSetGifVersion(m_gif.get(), true);
    }

    void putScreen(int width, int height)
    {
        check(EGifPutScreenDesc(m_gif.get(), width, height, 8, 0, nullptr));
    }

    // The application extension that browsers and viewers read as the repeat count.
    void putLoopCount(int loopCount)
    {
        const GifByteType count[] = {1, GifByteType(loopCount & 0xFF),
                                     GifByteType((loopCount >> 8) & 0xFF)};
        check(EGifPutExtensionLeader(m_gif.get(), APPLICATION_EXT_FUNC_CODE));
        check(EGifPutExtensionBlock(m_gif.get(), 11, "NETSCAPE2.0"));
        check(EGifPutExtensionBlock(m_gif.get(), sizeof count, count));
        check(EGifPutExtensionTrailer(m_gif.get()));
    }

    void putFrame(const RgbaImage &image, int delayMs)
    {
        IndexedFrame frame = indexFrame(image);
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_BACKGROUND;
        control.DelayTime = std::clamp((delayMs + 5) / 10, 0, 0xFFFF);
        control.TransparentColor = frame.transparentIndex;
        GifByteType extension[4];
        const std::size_t length = EGifGCBToExtension(&control, extension);
        check(EGifPutExtension(m_gif.get(), GRAPHICS_EXT_FUNC_CODE, int(length), extension));

        // Table sizes are powers of two, at least 2; unused entries stay black.
        const int used = int(frame.colours.size()) + (frame.transparentIndex >= 0 ? 1 : 0);
        int tableSize = 2;
        while (tableSize < used)
            tableSize *= 2;
        frame.colours.resize(std::size_t(tableSize), GifColorType{0, 0, 0});
        const std::unique_ptr<ColorMapObject, ColourMapDeleter> map(
            GifMakeMapObject(tableSize, frame.colours.data()));
        if (!map)
            throw PictureError("cannot make GIF colour table");
        check(EGifPutImageDesc(m_gif.get(), 0, 0, image.width, image.height, false, map.get()));
        check(EGifPutLine(m_gif.get(), frame.indices.data(), int(frame.indices.size())));
    }

    void finish()
    {
        int error = E_GIF_SUCCEEDED;
        if (EGifCloseFile(m_gif.release(), &error) == GIF_ERROR)
            fail(error);
    }

private:
    [[noreturn]] static void fail(int code)
    {
        const char *reason = GifErrorString(code);
        throw PictureError(std::string("cannot encode GIF: ") + (reason ? reason : "unknown"));
    }
    void check(int result)
    {
        if (result == GIF_ERROR)
            fail(m_gif->Error);
    }

    std::unique_ptr<GifFileType, GifCloser> m_gif;
};

}  // namespace

std::vector<std::uint8_t> EncodeGif(const std::vector<GifFrame> &frames, int loopCount)
{
    if (frames.empty())
        throw PictureError("cannot encode a GIF without frames");
    const RgbaImage &first = frames.front().image;
    std::int64_t totalPixels = 0;
    for (const GifFrame &frame : frames) {
        const RgbaImage &image = frame.image;
        CheckPictureSize(image.width, image.height);
        if (image.width != first.width || image.height != first.height)
            throw PictureError("GIF frames differ in size");
        if (image.pixels.size() != std::size_t(image.width) * std::size_t(image.height) * 4)
            throw PictureError("image pixels do not match its size");
        totalPixels += std::int64_t(image.width) * image.height;
    }
    if (totalPixels > kMaxPicturePixels)
        throw PictureError("GIF animation has too many pixels");
    if (loopCount > 0xFFFF)
        throw PictureError("GIF loop count above 65535");

    std::vector<std::uint8_t> output;
    GifWriter writer(output);
    writer.putScreen(first.width, first.height);
    if (loopCount >= 0)
        writer.putLoopCount(loopCount);
    for (const GifFrame &frame : frames)
        writer.putFrame(frame.image, frame.delayMs);
    writer.finish();
    return output;
}

}  // namespace quenbo
