#pragma once

#include "pack/archive_entry.h"

#include <QImage>

#include <span>

namespace quenbo::pack {

// One picture showing every picture entry as the application will decode it (read back with
// our own decoders, every frame of an animation side by side), each with its entry name, on
// a checkerboard that shows transparency, enlarged three times with square pixels so a
// person can check the art. Entries that are not pictures are left out.
QImage contactSheet(std::span<const ArchiveEntry> entries);

}  // namespace quenbo::pack
