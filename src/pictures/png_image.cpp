#include "pictures/png_image.h"

#include "pictures/png_error.h"

#include <cstring>
#include <string>
#include <vector>

namespace quenbo {

namespace {

struct MemoryInput {
    ByteSpan data;
    std::size_t position = 0;
};

void readFromMemory(png_structp png, png_bytep destination, png_size_t length)
{
    auto *input = static_cast<MemoryInput *>(png_get_io_ptr(png));
    if (length > input->data.size() - input->position)
        png_error(png, "file is truncated");
    std::memcpy(destination, input->data.data() + input->position, length);
    input->position += length;
}

class PngReader {
public:
    explicit PngReader(ByteSpan data)
        : m_input{data}
    {
    }
    ~PngReader() { png_destroy_read_struct(&m_png, &m_info, nullptr); }
    PngReader(const PngReader &) = delete;
    PngReader &operator=(const PngReader &) = delete;

    // Decodes any colour type and depth into 8-bit RGBA.
    RgbaImage read()
    {
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &m_error, keepPngErrorAndJump,
                                       ignorePngWarning);
        if (m_png)
            m_info = png_create_info_struct(m_png);
        if (!m_png || !m_info)
            throw PictureError("cannot create a PNG reader");
        if (setjmp(png_jmpbuf(m_png)))
            throw PictureError(std::string("cannot decode PNG: ") + m_error.text);

        png_set_read_fn(m_png, &m_input, readFromMemory);
        png_set_user_limits(m_png, kMaxPictureSide, kMaxPictureSide);
        // Only the critical chunks and tRNS make the picture. libpng would otherwise buffer
        // text and profile chunks whole, whatever length they claim.
        png_set_keep_unknown_chunks(m_png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
        png_read_info(m_png, m_info);
        const png_uint_32 width = png_get_image_width(m_png, m_info);
        const png_uint_32 height = png_get_image_height(m_png, m_info);
        CheckPictureSize(width, height);

        png_set_expand(m_png);
        png_set_strip_16(m_png);
        png_set_gray_to_rgb(m_png);
        png_set_add_alpha(m_png, 0xFF, PNG_FILLER_AFTER);
        png_set_interlace_handling(m_png);
        png_read_update_info(m_png, m_info);
        if (png_get_rowbytes(m_png, m_info) != png_size_t(width) * 4)
            throw PictureError("PNG rows do not convert to RGBA");

        m_image.allocate(int(width), int(height));
        m_rows.resize(height);
        for (png_uint_32 y = 0; y < height; ++y)
            m_rows[y] = m_image.row(int(y));
        png_read_image(m_png, m_rows.data());
        return std::move(m_image);
    }

private:
    MemoryInput m_input;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    PngErrorMessage m_error;
    // Kept in the object rather than on read's stack: they are filled between setjmp and
    // longjmp.
    RgbaImage m_image;
    std::vector<png_bytep> m_rows;
};

}  // namespace

void TPngImage::LoadFromBuffer(ByteSpan data)
{
    m_image = RgbaImage();
    PngReader reader(data);
    m_image = reader.read();
}

}  // namespace quenbo
