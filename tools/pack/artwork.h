#pragma once

#include "pack/archive_entry.h"

#include <vector>

namespace quenbo::pack {

// Every picture entry of the resource archive, drawn and encoded in the format its entry
// name says: the picture buttons and row buttons, treedown, t_top (BMP); shopclass, loadimg,
// nopic (JPEG); class_1 (PNG); load and the credit icons 1 to 20 (GIF). Needs a QGuiApplication
// for the captions' fonts.
std::vector<ArchiveEntry> artworkEntries();

}  // namespace quenbo::pack
