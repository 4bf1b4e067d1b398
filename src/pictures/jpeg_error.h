#pragma once

// libjpeg reports a fatal error through error_exit, which must not return. This manager
// keeps the message and jumps back to the setjmp of the function that called libjpeg; that
// function raises PictureError once it is out of libjpeg. Such a function creates no
// object with a destructor between its setjmp and its libjpeg calls.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace quenbo {

struct JpegErrorManager {
    jpeg_error_mgr base{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
};

// Sets manager up and returns the pointer to store in the codec's err field. Warnings
// (libjpeg recovers from them, e.g. a truncated scan) are dropped, never printed.
inline jpeg_error_mgr *useJpegErrorManager(JpegErrorManager &manager)
{
    jpeg_std_error(&manager.base);
    manager.base.error_exit = [](j_common_ptr codec) {
        auto *self = reinterpret_cast<JpegErrorManager *>(codec->err);
        (*codec->err->format_message)(codec, self->message);
        std::longjmp(self->jump, 1);
    };
    manager.base.output_message = [](j_common_ptr) {};
    return &manager.base;
}

}  // namespace quenbo
