#include "sandbox/pictures.h"

#include "pictures/picture_writers.h"
#include "sandbox/prng.h"

#include <vector>

namespace quenbo::sandbox {

namespace {

constexpr int kQuality = 88;

struct Rgb {
    int r, g, b;
};

Rgb colourOf(Prng &rng)
{
    return {rng.between(30, 235), rng.between(30, 235), rng.between(30, 235)};
}

unsigned char clampByte(int value)
{
    return static_cast<unsigned char>(value < 0 ? 0 : value > 255 ? 255 : value);
}

std::uint64_t hashId(std::string_view id, std::uint64_t seed)
{
    std::uint64_t hash = 0xCBF29CE484222325ULL ^ seed;
    for (const char c : id)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ULL;
    return hash;
}

}  // namespace

std::string makeItemPicture(std::string_view numIid, std::uint64_t seed)
{
    Prng rng(hashId(numIid, seed));
    const Rgb from = colourOf(rng);
    const Rgb to = colourOf(rng);
    const Rgb ring = colourOf(rng);
    const int stripeA = rng.between(1, 4);
    const int stripeB = rng.between(-4, 4);
    const int period = rng.between(12, 40);
    const int cx = rng.between(60, kPictureSide - 60);
    const int cy = rng.between(60, kPictureSide - 60);
    const int outer = rng.between(40, 110);
    const int inner = outer * rng.between(30, 80) / 100;
    const std::uint64_t grain = rng.next();

    RgbaImage picture;
    picture.allocate(kPictureSide, kPictureSide);
    const int span = 2 * (kPictureSide - 1);
    for (int y = 0; y < kPictureSide; ++y) {
        for (int x = 0; x < kPictureSide; ++x) {
            const int t = x + y;
            Rgb c{from.r + (to.r - from.r) * t / span, from.g + (to.g - from.g) * t / span,
                  from.b + (to.b - from.b) * t / span};
            const int band =
                ((x * stripeA + y * stripeB) % (2 * period) + 2 * period) % (2 * period);
            if (band < period / 3)
                c = {c.r * 3 / 4, c.g * 3 / 4, c.b * 3 / 4};
            const int dx = x - cx;
            const int dy = y - cy;
            const int d2 = dx * dx + dy * dy;
            if (d2 < outer * outer && d2 >= inner * inner)
                c = ring;
            // A fine grain keeps the picture from compressing to nothing, as photos do.
            std::uint64_t noise = grain ^ (std::uint64_t(y) << 32 | std::uint64_t(x));
            noise = (noise ^ (noise >> 29)) * 0xBF58476D1CE4E5B9ULL;
            const int n = static_cast<int>((noise >> 40) % 41) - 20;
            std::uint8_t *pixel = picture.row(y) + std::size_t(x) * 4;
            pixel[0] = clampByte(c.r + n);
            pixel[1] = clampByte(c.g + n);
            pixel[2] = clampByte(c.b + n);
            pixel[3] = 255;
        }
    }

    const std::vector<std::uint8_t> jpeg = EncodeJpeg(picture, kQuality);
    return {jpeg.begin(), jpeg.end()};
}

PictureCache::PictureCache(std::uint64_t seed, std::size_t capacity)
    : m_seed(seed)
    , m_capacity(capacity == 0 ? 1 : capacity)
{
}

std::shared_ptr<const std::string> PictureCache::picture(const std::string &numIid)
{
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_index.find(numIid);
        if (found != m_index.end()) {
            m_recent.splice(m_recent.begin(), m_recent, found->second);
            return found->second->second;
        }
    }
    auto made = std::make_shared<const std::string>(makeItemPicture(numIid, m_seed));
    const std::lock_guard lock(m_mutex);
    if (m_index.contains(numIid))
        return made;
    m_recent.emplace_front(numIid, made);
    m_index.emplace(numIid, m_recent.begin());
    while (m_recent.size() > m_capacity) {
        m_index.erase(m_recent.back().first);
        m_recent.pop_back();
    }
    return made;
}

}  // namespace quenbo::sandbox
