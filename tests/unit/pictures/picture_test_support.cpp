#include "picture_test_support.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define QUENBO_HAVE_ASAN_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUENBO_HAVE_ASAN_HOOKS 1
#endif
#endif

#ifdef QUENBO_HAVE_ASAN_HOOKS
// Part of the sanitizer runtime's interface; declared here because GCC does not ship the
// header that declares it.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void *,
                                                                            std::size_t),
                                                         void (*freeHook)(const volatile void *));
#endif

namespace quenbo::test {

RgbaImage makeImage(int width, int height, const std::function<Pixel(int x, int y)> &colour)
{
    RgbaImage image;
    image.allocate(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *p = image.row(y);
        for (int x = 0; x < width; ++x, p += 4) {
            const Pixel c = colour(x, y);
            p[0] = std::uint8_t(c >> 24);
            p[1] = std::uint8_t(c >> 16);
            p[2] = std::uint8_t(c >> 8);
            p[3] = std::uint8_t(c);
        }
    }
    return image;
}

std::vector<Pixel> pixelsOf(const RgbaImage &image)
{
    std::vector<Pixel> out;
    for (std::size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
        out.push_back(Pixel(image.pixels[i]) << 24 | Pixel(image.pixels[i + 1]) << 16 |
                      Pixel(image.pixels[i + 2]) << 8 | image.pixels[i + 3]);
    }
    return out;
}

int maxChannelDifference(const RgbaImage &a, const RgbaImage &b)
{
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size())
        return 256;
    int worst = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        worst = std::max(worst, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return worst;
}

double meanChannelDifference(const RgbaImage &a, const RgbaImage &b)
{
    if (a.pixels.size() != b.pixels.size() || a.pixels.empty())
        return 256;
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return sum / double(a.pixels.size());
}

RgbaImage gradientImage(int width, int height, bool withAlpha)
{
    return makeImage(width, height, [&](int x, int y) {
        const Pixel r = Pixel(x * 255 / std::max(1, width - 1));
        const Pixel g = Pixel(y * 255 / std::max(1, height - 1));
        const Pixel b = Pixel((x + y) * 255 / std::max(1, width + height - 2));
        const Pixel a = withAlpha ? Pixel((x * 7 + y * 3) % 256) : 255;
        return r << 24 | g << 16 | b << 8 | a;
    });
}

Bytes &Bytes::u8(std::uint32_t v)
{
    m_data.push_back(std::uint8_t(v));
    return *this;
}

Bytes &Bytes::u16le(std::uint32_t v)
{
    return u8(v).u8(v >> 8);
}

Bytes &Bytes::u32le(std::uint32_t v)
{
    return u16le(v & 0xFFFF).u16le(v >> 16);
}

Bytes &Bytes::u16be(std::uint32_t v)
{
    return u8(v >> 8).u8(v);
}

Bytes &Bytes::u32be(std::uint32_t v)
{
    return u16be(v >> 16).u16be(v & 0xFFFF);
}

Bytes &Bytes::text(std::string_view s)
{
    m_data.insert(m_data.end(), s.begin(), s.end());
    return *this;
}

Bytes &Bytes::append(const std::vector<std::uint8_t> &bytes)
{
    m_data.insert(m_data.end(), bytes.begin(), bytes.end());
    return *this;
}

Bytes &Bytes::zeros(std::size_t count)
{
    m_data.resize(m_data.size() + count, 0);
    return *this;
}

std::vector<std::uint8_t> prefix(const std::vector<std::uint8_t> &bytes, std::size_t length)
{
    return {bytes.begin(), bytes.begin() + std::ptrdiff_t(std::min(length, bytes.size()))};
}

namespace {

std::atomic<bool> g_watching{false};
std::atomic<std::size_t> g_largest{0};

#ifdef QUENBO_HAVE_ASAN_HOOKS
void onMalloc(const volatile void *, std::size_t size)
{
    if (!g_watching.load(std::memory_order_relaxed))
        return;
    std::size_t seen = g_largest.load(std::memory_order_relaxed);
    while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
    }
}

void onFree(const volatile void *) {}

bool installHooks()
{
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
    return installed;
}
#else
bool installHooks()
{
    return false;
}
#endif

}  // namespace

AllocationWatch::AllocationWatch()
{
    installHooks();
    g_largest = 0;
    g_watching = true;
}

AllocationWatch::~AllocationWatch()
{
    g_watching = false;
}

bool AllocationWatch::available() const
{
    return installHooks();
}

std::size_t AllocationWatch::largest() const
{
    return g_largest;
}

}  // namespace quenbo::test
