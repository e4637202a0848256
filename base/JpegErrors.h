// libjpeg reports errors by calling error_exit, which must not return: this one jumps back to the
// caller's setjmp with the library's message kept.
#pragma once
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace vt {

struct TJpegErrors {
  jpeg_error_mgr base;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];

  // Installs the manager in a compress or decompress object; own the object (base/LibraryHandles.h)
  // and call setjmp(jump) next.
  template <class Info>
  void Attach(Info& info) {
    info.err = jpeg_std_error(&base);
    base.error_exit = &Exit;
  }

private:
  static void Exit(j_common_ptr info) {
    auto* errors = reinterpret_cast<TJpegErrors*>(info->err);
    info->err->format_message(info, errors->message);
    std::longjmp(errors->jump, 1);
  }
};

}  // namespace vt
