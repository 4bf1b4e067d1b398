#pragma once

#include "program_folder.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <map>
#include <string>

// The interface pictures of the main window, drawn with Qt, for the GUI suites and the window
// benchmarks.

namespace quenbo::testsupport {

using Entries = ArchiveEntries;

// Every interface picture the program reads from the archive, drawn at the sizes the layout
// needs. The three state pictures of a picture button are filled with stateColour(1..3).
Entries interfacePictures();
// The fill colour of state picture k (1 normal, 2 hot, 3 pressed) as 0xRRGGBB.
std::uint32_t stateColour(int k);
// The colour of the category marker "class_1" as 0xRRGGBB, and its side in pixels.
std::uint32_t markerColour();
inline constexpr int kMarkerSide = 8;

// Writes the folder's archive for a main window talking to the sandbox at baseUrl: the sandbox
// settings, each of extra in place of the one of the same name, and every interface picture.
void writeSandboxArchive(ProgramFolder &folder, const std::string &baseUrl,
                         const std::map<std::string, std::string> &extra = {});

// A Qt image as plain RGBA pixels, for the picture writers.
RgbaImage toRgba(const QImage &image);

// The folder ending in "/", as the main window takes it.
QString appDir(const ProgramFolder &folder);

}  // namespace quenbo::testsupport
