#pragma once

#include "pack/pack_options.h"

namespace quenbo::pack {

// Name of the overview picture that --export writes beside the entries.
inline constexpr const char *kContactSheetName = "contact-sheet.png";

// Does what the options ask: makes the export folder first (so a folder that cannot be made
// stops the run before anything is written), writes the archive in one piece, then writes
// each entry and the contact sheet into the export folder. Raises PackError with a message
// for the user. Needs a QGuiApplication.
void runPack(const PackOptions &options);

}  // namespace quenbo::pack
