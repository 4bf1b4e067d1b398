#include "pictures/jpeg_image.h"

#include "pictures/jpeg_error.h"

#include <cstring>
#include <string>

namespace quenbo {

namespace {

// A progressive file may hold any number of scans, each one a pass over the whole
// picture; real files have a dozen at most.
constexpr int kMaxScans = 500;
// libjpeg's own working memory (whole-picture coefficient buffers for progressive files).
constexpr long kMaxDecoderMemory = 512L * 1024 * 1024;

// Converts a row of CMYK samples in place to RGBA. Files with an Adobe marker store the
// inks inverted, as Photoshop writes them.
void cmykToRgba(std::uint8_t *row, int width, bool inverted)
{
    for (int x = 0; x < width; ++x, row += 4) {
        const unsigned k = inverted ? row[3] : 255u - row[3];
        for (int i = 0; i < 3; ++i) {
            const unsigned ink = inverted ? row[i] : 255u - row[i];
            row[i] = std::uint8_t(ink * k / 255);
        }
        row[3] = 255;
    }
}

class JpegReader {
public:
    explicit JpegReader(ByteSpan data)
        : m_data(data)
    {
        m_codec.err = useJpegErrorManager(m_error);
        m_progress.progress_monitor = [](j_common_ptr codec) {
            auto *decoder = reinterpret_cast<j_decompress_ptr>(codec);
            if (decoder->input_scan_number > kMaxScans) {
                auto *error = reinterpret_cast<JpegErrorManager *>(codec->err);
                std::snprintf(error->message, sizeof error->message, "more than %d scans",
                              kMaxScans);
                std::longjmp(error->jump, 1);
            }
        };
    }
    ~JpegReader() { jpeg_destroy_decompress(&m_codec); }
    JpegReader(const JpegReader &) = delete;
    JpegReader &operator=(const JpegReader &) = delete;

    // Reads the markers from start-of-image to start-of-scan and checks the size caps.
    void readHeader()
    {
        if (setjmp(m_error.jump))
            throw PictureError(std::string("not a JPEG header: ") + m_error.message);
        jpeg_create_decompress(&m_codec);
        m_codec.progress = &m_progress;
        m_codec.mem->max_memory_to_use = kMaxDecoderMemory;
        jpeg_mem_src(&m_codec, m_data.data(), static_cast<unsigned long>(m_data.size()));
        jpeg_read_header(&m_codec, TRUE);
        CheckPictureSize(m_codec.image_width, m_codec.image_height);
    }

    int width() const { return int(m_codec.image_width); }
    int height() const { return int(m_codec.image_height); }

    // Picks the smallest scale, in eighths, whose output covers width x height; after
    // readHeader, before decode.
    void reduceTo(int width, int height)
    {
        if (setjmp(m_error.jump))
            throw PictureError(std::string("cannot decode JPEG: ") + m_error.message);
        m_codec.scale_denom = 8;
        for (unsigned eighths = 1; eighths <= 8; ++eighths) {
            m_codec.scale_num = eighths;
            jpeg_calc_output_dimensions(&m_codec);
            if (int(m_codec.output_width) >= width && int(m_codec.output_height) >= height)
                return;
        }
    }

    // Decodes the scans after readHeader. libjpeg fills missing data at the end with grey,
    // so a cut-off file still decodes. With a region, only the top-left maxWidth x maxHeight
    // pixels are decoded: libjpeg crops the columns (to its block size, so the result may be
    // a little wider) and the rows below are never read.
    RgbaImage decode(int maxWidth = 0, int maxHeight = 0)
    {
        if (setjmp(m_error.jump))
            throw PictureError(std::string("cannot decode JPEG: ") + m_error.message);
        const bool cmyk =
            m_codec.jpeg_color_space == JCS_CMYK || m_codec.jpeg_color_space == JCS_YCCK;
        // Both give four bytes a pixel, so rows go straight into the picture.
        m_codec.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
        jpeg_start_decompress(&m_codec);
        if (maxWidth > 0 && JDIMENSION(maxWidth) < m_codec.output_width) {
            JDIMENSION left = 0;
            JDIMENSION width = JDIMENSION(maxWidth);
            jpeg_crop_scanline(&m_codec, &left, &width);
        }
        const JDIMENSION rows = maxHeight > 0 && JDIMENSION(maxHeight) < m_codec.output_height
                                    ? JDIMENSION(maxHeight)
                                    : m_codec.output_height;
        m_image.allocate(int(m_codec.output_width), int(rows));
        while (m_codec.output_scanline < rows) {
            JSAMPROW row = m_image.row(int(m_codec.output_scanline));
            if (jpeg_read_scanlines(&m_codec, &row, 1) != 1)
                throw PictureError("JPEG decoder returned no row");
            if (cmyk)
                cmykToRgba(row, m_image.width, m_codec.saw_Adobe_marker);
        }
        if (rows < m_codec.output_height)
            jpeg_abort_decompress(&m_codec);
        return std::move(m_image);
    }

private:
    ByteSpan m_data;
    jpeg_decompress_struct m_codec{};
    JpegErrorManager m_error;
    jpeg_progress_mgr m_progress{};
    // Kept in the object rather than on decode's stack: it is filled between setjmp and
    // longjmp.
    RgbaImage m_image;
};

}  // namespace

void CheckJpegHeader(ByteSpan data, int *width, int *height)
{
    JpegReader reader(data);
    reader.readHeader();
    if (width)
        *width = reader.width();
    if (height)
        *height = reader.height();
}

void TJpegImage::LoadFromBuffer(ByteSpan data)
{
    m_bytes.clear();
    m_width = 0;
    m_height = 0;
    m_decoded.reset();
    ++m_loadSerial;
    if (data.empty())
        return;
    int width = 0;
    int height = 0;
    CheckJpegHeader(data, &width, &height);
    m_bytes.assign(data.begin(), data.end());
    m_width = width;
    m_height = height;
}

const RgbaImage &TJpegImage::Decoded() const
{
    static const RgbaImage kEmpty;
    if (m_bytes.empty())
        return kEmpty;
    if (!m_decoded) {
        JpegReader reader(m_bytes);
        reader.readHeader();
        m_decoded = reader.decode();
    }
    return *m_decoded;
}

RgbaImage TJpegImage::DecodeTopLeft(int width, int height) const
{
    if (m_bytes.empty())
        return {};
    JpegReader reader(m_bytes);
    reader.readHeader();
    return reader.decode(width, height);
}

RgbaImage TJpegImage::DecodeReduced(int width, int height) const
{
    if (m_bytes.empty())
        return {};
    JpegReader reader(m_bytes);
    reader.readHeader();
    reader.reduceTo(width, height);
    return reader.decode();
}

}  // namespace quenbo
