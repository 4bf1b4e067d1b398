#pragma once

#include "pictures/bitmap.h"
#include "pictures/gif_image.h"
#include "pictures/jpeg_image.h"
#include "pictures/png_image.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

struct zip;

namespace quenbo {

// Raised when the resource archive cannot be opened.
class EArchiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The password-protected resource archive of interface pictures and base settings.
// Opened read-only once and kept open; entries are found at the top level by their whole
// name without regard to letter case, extracted (decrypted, inflated, CRC-checked) anew on
// every call, and never kept. Lookups report failure as false and never raise.
// Used from the GUI thread only.
class TZipFile {
public:
    // Largest entry the reader extracts; bigger entries are refused as damaged.
    static constexpr std::uint64_t kMaxEntrySize = 64u << 20;

    // Opens the archive at path; raises EArchiveError ("资源包无法打开：\"<path>\": <libzip's
    // message>") when it cannot.
    explicit TZipFile(const std::string &path);
    ~TZipFile();
    TZipFile(const TZipFile &) = delete;
    TZipFile &operator=(const TZipFile &) = delete;

    // The bytes of the entry with exactly this name (no extension added). On failure the
    // caller's buffer is left as it was.
    bool ReadEntry(const std::string &name, std::vector<std::uint8_t> &stream) const;

    // Each reads base name + its own lower-case extension and decodes it into the caller's
    // picture. A failed extraction leaves the picture as it was; a failed decode leaves it
    // empty.
    bool ReadBitmap(const std::string &name, TBitmap &bitmap) const;
    bool ReadGif(const std::string &name, TGifImage &gif) const;
    bool ReadJpeg(const std::string &name, TJpegImage &jpeg) const;
    bool ReadPng(const std::string &name, TPngImage &png) const;

private:
    bool ReadPicture(const std::string &entry, TPicture &picture) const;

    zip *FArchive = nullptr;
};

}  // namespace quenbo
