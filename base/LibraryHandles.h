// Owners for the handles of the libraries the control links (libjpeg, libharu, giflib, libzip) and
// of WinINet's: the UniqueHandle of Handles.h with one traits struct per kind.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <cstdio>

#include <gif_lib.h>
#include <hpdf.h>
#include <jpeglib.h>
#include <zip.h>

#include "base/Handles.h"

namespace vt {

// libjpeg's objects live in the caller's structs. Destroying one that is zeroed and was never
// created does nothing, so it can be owned from before setjmp: the error path is owned too.
struct JpegCompressTraits {
  using Type = j_compress_ptr;
  static void Close(Type info) { jpeg_destroy_compress(info); }
};
struct JpegDecompressTraits {
  using Type = j_decompress_ptr;
  static void Close(Type info) { jpeg_destroy_decompress(info); }
};
struct PdfDocTraits {  // HPDF_New
  using Type = HPDF_Doc;
  static void Close(Type doc) { HPDF_Free(doc); }
};
struct GifDecoderTraits {  // DGifOpen
  using Type = GifFileType*;
  static void Close(Type gif) {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
// An archive opened for reading: nothing is written back, so it is discarded, never closed.
struct ZipArchiveTraits {
  using Type = zip_t*;
  static void Close(Type archive) { zip_discard(archive); }
};
struct ZipEntryTraits {  // zip_fopen_index
  using Type = zip_file_t*;
  static void Close(Type entry) { zip_fclose(entry); }
};
// A source not yet handed to an archive (zip_open_from_source takes it only when it succeeds).
struct ZipSourceTraits {
  using Type = zip_source_t*;
  static void Close(Type source) { zip_source_free(source); }
};
struct InternetHandleTraits {  // InternetOpen, InternetConnect, HttpOpenRequest, InternetOpenUrl
  using Type = HINTERNET;
  static void Close(Type h) { ::InternetCloseHandle(h); }
};

using JpegCompressor = UniqueHandle<JpegCompressTraits>;
using JpegDecompressor = UniqueHandle<JpegDecompressTraits>;
using PdfDocument = UniqueHandle<PdfDocTraits>;
using GifDecoder = UniqueHandle<GifDecoderTraits>;
using ZipArchive = UniqueHandle<ZipArchiveTraits>;
using ZipEntry = UniqueHandle<ZipEntryTraits>;
using ZipSource = UniqueHandle<ZipSourceTraits>;
using InternetHandle = UniqueHandle<InternetHandleTraits>;

}  // namespace vt
