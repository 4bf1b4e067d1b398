#include "pictures/picture_writers.h"

#include "pictures/jpeg_error.h"
#include "pictures/png_error.h"

#include <jerror.h>

#include <algorithm>
#include <array>
#include <new>
#include <string>

namespace quenbo {

namespace {

void checkEncodable(const RgbaImage &image)
{
    CheckPictureSize(image.width, image.height);
    if (image.pixels.size() != std::size_t(image.width) * std::size_t(image.height) * 4)
        throw PictureError("image pixels do not match its size");
}

// libjpeg's jpeg_mem_dest loses track of its buffer when an error strikes after the buffer
// has grown; this destination appends to a vector that the writer owns instead.
struct VectorDestination {
    jpeg_destination_mgr base{};
    std::vector<std::uint8_t> *output = nullptr;
    std::array<JOCTET, 16384> buffer{};

    static void append(j_compress_ptr codec, std::size_t count)
    {
        auto *self = reinterpret_cast<VectorDestination *>(codec->dest);
        bool stored = true;
        try {
            self->output->insert(self->output->end(), self->buffer.begin(),
                                 self->buffer.begin() + std::ptrdiff_t(count));
        } catch (const std::bad_alloc &) {
            stored = false;
        }
        if (!stored)
            ERREXIT(codec, JERR_OUT_OF_MEMORY);
        self->base.next_output_byte = self->buffer.data();
        self->base.free_in_buffer = self->buffer.size();
    }
};

class JpegWriter {
public:
    JpegWriter()
    {
        m_codec.err = useJpegErrorManager(m_error);
        m_destination.output = &m_output;
        m_destination.base.init_destination = [](j_compress_ptr codec) {
            VectorDestination::append(codec, 0);
        };
        m_destination.base.empty_output_buffer = [](j_compress_ptr codec) -> boolean {
            VectorDestination::append(codec, sizeof VectorDestination::buffer);
            return TRUE;
        };
        m_destination.base.term_destination = [](j_compress_ptr codec) {
            VectorDestination::append(codec, sizeof VectorDestination::buffer -
                                                 codec->dest->free_in_buffer);
        };
    }
    ~JpegWriter() { jpeg_destroy_compress(&m_codec); }
    JpegWriter(const JpegWriter &) = delete;
    JpegWriter &operator=(const JpegWriter &) = delete;

    std::vector<std::uint8_t> write(const RgbaImage &image, int quality)
    {
        if (setjmp(m_error.jump))
            throw PictureError(std::string("cannot encode JPEG: ") + m_error.message);
        jpeg_create_compress(&m_codec);
        m_codec.dest = &m_destination.base;
        m_codec.image_width = JDIMENSION(image.width);
        m_codec.image_height = JDIMENSION(image.height);
        m_codec.input_components = 4;
        m_codec.in_color_space = JCS_EXT_RGBA;
        jpeg_set_defaults(&m_codec);
        jpeg_set_quality(&m_codec, std::clamp(quality, 1, 100), TRUE);
        jpeg_start_compress(&m_codec, TRUE);
        while (m_codec.next_scanline < m_codec.image_height) {
            // libjpeg reads the rows only; its interface just lacks the const.
            JSAMPROW row = const_cast<JSAMPROW>(image.row(int(m_codec.next_scanline)));
            jpeg_write_scanlines(&m_codec, &row, 1);
        }
        jpeg_finish_compress(&m_codec);
        return std::move(m_output);
    }

private:
    jpeg_compress_struct m_codec{};
    JpegErrorManager m_error;
    VectorDestination m_destination;
    std::vector<std::uint8_t> m_output;
};

void appendPngBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto *output = static_cast<std::vector<std::uint8_t> *>(png_get_io_ptr(png));
    bool stored = true;
    try {
        output->insert(output->end(), data, data + length);
    } catch (const std::bad_alloc &) {
        stored = false;
    }
    if (!stored)
        png_error(png, "out of memory");
}

class PngWriter {
public:
    PngWriter() = default;
    ~PngWriter() { png_destroy_write_struct(&m_png, &m_info); }
    PngWriter(const PngWriter &) = delete;
    PngWriter &operator=(const PngWriter &) = delete;

    std::vector<std::uint8_t> write(const RgbaImage &image)
    {
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &m_error, keepPngErrorAndJump,
                                        ignorePngWarning);
        if (m_png)
            m_info = png_create_info_struct(m_png);
        if (!m_png || !m_info)
            throw PictureError("cannot create a PNG writer");
        m_rows.resize(std::size_t(image.height));
        for (int y = 0; y < image.height; ++y) {
            // libpng reads the rows only; its interface just lacks the const.
            m_rows[std::size_t(y)] = const_cast<png_bytep>(image.row(y));
        }
        if (setjmp(png_jmpbuf(m_png)))
            throw PictureError(std::string("cannot encode PNG: ") + m_error.text);
        png_set_write_fn(m_png, &m_output, appendPngBytes, [](png_structp) {});
        png_set_IHDR(m_png, m_info, png_uint_32(image.width), png_uint_32(image.height), 8,
                     PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(m_png, m_info);
        png_write_image(m_png, m_rows.data());
        png_write_end(m_png, nullptr);
        return std::move(m_output);
    }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    PngErrorMessage m_error;
    std::vector<png_bytep> m_rows;
    std::vector<std::uint8_t> m_output;
};

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const RgbaImage &image, int quality)
{
    checkEncodable(image);
    JpegWriter writer;
    return writer.write(image, quality);
}

std::vector<std::uint8_t> EncodePng(const RgbaImage &image)
{
    checkEncodable(image);
    PngWriter writer;
    return writer.write(image);
}

std::vector<std::uint8_t> EncodeBmp(const RgbaImage &image)
{
    checkEncodable(image);
    bool hasAlpha = false;
    for (std::size_t i = 3; i < image.pixels.size() && !hasAlpha; i += 4)
        hasAlpha = image.pixels[i] != 255;
    // A V4 header names the alpha mask in a way every reader understands.
    const std::uint32_t headerSize = hasAlpha ? 108 : 40;
    const std::uint32_t bitsPerPixel = hasAlpha ? 32 : 24;
    const std::size_t stride = (std::size_t(image.width) * bitsPerPixel + 31) / 32 * 4;
    const std::uint32_t pixelOffset = 14 + headerSize;
    const std::size_t pixelBytes = stride * std::size_t(image.height);

    std::vector<std::uint8_t> out;
    out.reserve(pixelOffset + pixelBytes);
    auto put16 = [&](std::uint32_t v) {
        out.push_back(std::uint8_t(v));
        out.push_back(std::uint8_t(v >> 8));
    };
    auto put32 = [&](std::uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    out.push_back('B');
    out.push_back('M');
    put32(std::uint32_t(pixelOffset + pixelBytes));
    put32(0);
    put32(pixelOffset);
    put32(headerSize);
    put32(std::uint32_t(image.width));
    put32(std::uint32_t(image.height));  // positive: rows stored bottom-up
    put16(1);
    put16(bitsPerPixel);
    put32(hasAlpha ? 3 : 0);  // BI_BITFIELDS or BI_RGB
    put32(std::uint32_t(pixelBytes));
    put32(2835);  // 72 dots an inch
    put32(2835);
    put32(0);
    put32(0);
    if (hasAlpha) {
        for (std::uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u})
            put32(mask);
        put32(0x73524742);  // 'sRGB' colour space; endpoints and gamma are then unused
        out.resize(out.size() + 48, 0);
    }
    for (int y = image.height - 1; y >= 0; --y) {
        const std::uint8_t *p = image.row(y);
        for (int x = 0; x < image.width; ++x, p += 4) {
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            if (hasAlpha)
                out.push_back(p[3]);
        }
        out.resize(out.size() + stride - std::size_t(image.width) * (bitsPerPixel / 8), 0);
    }
    return out;
}

}  // namespace quenbo
