#pragma once

// libpng reports a fatal error through an error function that must not return. This one
// keeps the message and jumps back to the setjmp(png_jmpbuf(...)) of the function that
// called libpng; that function raises PictureError once it is out of libpng. Such a function
// creates no object with a destructor between its setjmp and its libpng calls.

#include <cstdio>

#include <png.h>

namespace quenbo {

struct PngErrorMessage {
    char text[256] = {};
};

// Error function for png_create_*_struct with a PngErrorMessage as error pointer.
inline void keepPngErrorAndJump(png_structp png, png_const_charp message)
{
    auto *error = static_cast<PngErrorMessage *>(png_get_error_ptr(png));
    std::snprintf(error->text, sizeof error->text, "%s", message);
    png_longjmp(png, 1);
}

// Warnings are dropped: libpng has recovered from them.
inline void ignorePngWarning(png_structp, png_const_charp) {}

}  // namespace quenbo
