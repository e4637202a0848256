#include "page/uPdfWriter.h"

#include <hpdf.h>
#include <hpdf_doc.h>
#include <hpdf_image.h>
#include <hpdf_streams.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "base/Boundary.h"
#include "base/Errors.h"
#include "base/LibraryHandles.h"
#include "base/ReplaceFile.h"
#include "base/Stream.h"
#include "base/Strings.h"

namespace vt {
namespace {

// The finished document goes to the file in large writes: libharu hands it over 4 KB at a time.
class TPdfFileOutput {
public:
  explicit TPdfFileOutput(TStream& file) : file_(file) { buffer_.reserve(kSize); }

  // No exception may cross libharu's C frames: a failure is kept, and the save raises it again.
  static HPDF_STATUS Write(HPDF_Stream stream, const HPDF_BYTE* data, HPDF_UINT size) {
    auto* self = static_cast<TPdfFileOutput*>(stream->attr);
    return CallbackBoundary(self->failure_, HPDF_STATUS{HPDF_FILE_IO_ERROR}, [&] {
      self->buffer_.insert(self->buffer_.end(), data, data + size);
      if (self->buffer_.size() >= kSize) self->Flush();
      return HPDF_STATUS{HPDF_OK};
    });
  }
  void Flush() {
    file_.Write(buffer_.data(), buffer_.size());
    buffer_.clear();
  }
  const std::exception_ptr& Failure() const { return failure_; }

private:
  static constexpr size_t kSize = 1 << 20;
  TStream& file_;
  std::vector<uint8_t> buffer_;
  std::exception_ptr failure_;
};

// A page's JPEG stream, read by libharu where it would otherwise keep a copy of its own: the
// picture object takes the stream's header from here, and its data when the document is saved.
class TJpegSource {
public:
  // Kept until the document is saved: without the room the encoder left free after the stream.
  explicit TJpegSource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)), end_(bytes_.size()) {
    bytes_.shrink_to_fit();
  }

  HPDF_Stream NewStream(HPDF_MMgr mmgr) { return HPDF_CallbackReader_New(mmgr, Read, Seek, Tell, Size, this); }
  // Reading the header ends with a seek back to the start, after which libharu copies what the
  // stream holds: from then on it holds only the header read so far.
  void HeaderOnly() { headerOnly_ = true; }
  void Whole() {
    headerOnly_ = false;
    pos_ = 0;
    end_ = bytes_.size();
  }

private:
  static TJpegSource& Of(HPDF_Stream stream) { return *static_cast<TJpegSource*>(stream->attr); }
  static HPDF_STATUS Read(HPDF_Stream stream, HPDF_BYTE* to, HPDF_UINT* size) {
    TJpegSource& self = Of(stream);
    const size_t count = std::min<size_t>(*size, self.end_ - std::min(self.pos_, self.end_));
    std::copy_n(self.bytes_.data() + self.pos_, count, to);
    self.pos_ += count;
    self.furthest_ = std::max(self.furthest_, self.pos_);
    const bool shortRead = count < *size;
    *size = static_cast<HPDF_UINT>(count);
    return shortRead ? HPDF_STREAM_EOF : HPDF_OK;
  }
  static HPDF_STATUS Seek(HPDF_Stream stream, HPDF_INT pos, HPDF_WhenceMode mode) {
    TJpegSource& self = Of(stream);
    const int64_t base = mode == HPDF_SEEK_CUR ? static_cast<int64_t>(self.pos_)
                         : mode == HPDF_SEEK_END ? static_cast<int64_t>(self.end_)
                                                 : 0;
    self.pos_ = static_cast<size_t>(std::clamp<int64_t>(base + pos, 0, static_cast<int64_t>(self.end_)));
    self.furthest_ = std::max(self.furthest_, self.pos_);
    if (self.headerOnly_ && mode == HPDF_SEEK_SET && pos == 0) self.end_ = self.furthest_;
    return HPDF_OK;
  }
  static HPDF_INT32 Tell(HPDF_Stream stream) { return static_cast<HPDF_INT32>(Of(stream).pos_); }
  static HPDF_UINT32 Size(HPDF_Stream stream) { return static_cast<HPDF_UINT32>(Of(stream).end_); }

  std::vector<uint8_t> bytes_;
  size_t pos_ = 0, end_ = 0, furthest_ = 0;
  bool headerOnly_ = false;
};

}  // namespace

struct TPdfWriter::Impl {
  HPDF_Page page = nullptr;
  int pageHeight = 0;
  HPDF_STATUS error = HPDF_OK;
  HPDF_STATUS detail = 0;
  std::vector<std::unique_ptr<TJpegSource>> pictures;  // read by the document until it is freed
  PdfDocument doc;  // after the pictures, so that it goes first

  static void OnError(HPDF_STATUS error, HPDF_STATUS detail, void* self) {
    auto* impl = static_cast<Impl*>(self);
    if (impl->error == HPDF_OK) {
      impl->error = error;
      impl->detail = detail;
    }
  }

  void Check(const char* what) {
    if (error == HPDF_OK) return;
    std::string message = Format("PDF error 0x%04lX (%lu) while %s", static_cast<unsigned long>(error),
                                 static_cast<unsigned long>(detail), what);
    ClearError();
    throw Error(message);
  }
  void ClearError() {
    error = HPDF_OK;
    HPDF_ResetError(doc.get());
  }
};

TPdfWriter::TPdfWriter() : impl_(std::make_unique<Impl>()) {
  impl_->doc.reset(HPDF_New(&Impl::OnError, impl_.get()));
  if (!impl_->doc) throw Error("Cannot create a PDF document");
  // Pages of DCT pictures need nothing past PDF 1.2, which older readers of printed output expect.
  impl_->doc->pdf_version = HPDF_VER_12;
  HPDF_SetCompressionMode(impl_->doc.get(), HPDF_COMP_NONE);
  HPDF_SetPageLayout(impl_->doc.get(), HPDF_PAGE_LAYOUT_SINGLE);
  impl_->Check("creating the document");
}

TPdfWriter::~TPdfWriter() = default;

void TPdfWriter::AddPage(int width, int height) {
  impl_->page = HPDF_AddPage(impl_->doc.get());
  impl_->Check("adding a page");
  HPDF_Page_SetWidth(impl_->page, static_cast<HPDF_REAL>(width));
  HPDF_Page_SetHeight(impl_->page, static_cast<HPDF_REAL>(height));
  impl_->Check("sizing a page");
  impl_->pageHeight = height;
  ++pages_;
}

void TPdfWriter::DrawJpeg(std::vector<uint8_t> jpeg, const RECT& bounds) {
  if (!impl_->page) throw Error("PDF page missing");
  int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0 || jpeg.empty()) return;
  HPDF_Doc doc = impl_->doc.get();
  impl_->pictures.push_back(std::make_unique<TJpegSource>(std::move(jpeg)));
  TJpegSource& source = *impl_->pictures.back();
  // The picture object is made from the header alone; then its data stream gives way to one that
  // reads the whole JPEG stream from the source, when the document is saved.
  source.HeaderOnly();
  HPDF_Stream header = source.NewStream(doc->mmgr);
  HPDF_Image image = header ? HPDF_Image_LoadJpegImage(doc->mmgr, header, doc->xref) : nullptr;
  if (header) HPDF_Stream_Free(header);
  source.Whole();
  HPDF_Stream whole = image ? source.NewStream(doc->mmgr) : nullptr;
  if (!whole) {
    HPDF_CheckError(&doc->error);
    impl_->Check("adding a picture");
    throw Error("Cannot add a picture to the PDF document");
  }
  HPDF_Stream_Free(image->stream);
  image->stream = whole;
  HPDF_Page_DrawImage(impl_->page, image, static_cast<HPDF_REAL>(bounds.left),
                      static_cast<HPDF_REAL>(impl_->pageHeight - bounds.bottom), static_cast<HPDF_REAL>(width),
                      static_cast<HPDF_REAL>(height));
  impl_->Check("placing a picture");
}

void TPdfWriter::SaveToFile(const std::string& path) {
  std::optional<TReplaceFile> target;
  bool failed = false;
  std::string failure;
  try {
    target.emplace(path);
    TPdfFileOutput output(target->File());
    // The document saves itself into its own stream: that stream is, for this once, our file.
    HPDF_Stream stream = HPDF_CallbackWriter_New(impl_->doc->mmgr, &TPdfFileOutput::Write, &output);
    impl_->doc->stream = stream;
    HPDF_SaveToStream(impl_->doc.get());
    impl_->doc->stream = nullptr;
    if (stream) HPDF_Stream_Free(stream);
    failed = impl_->error != HPDF_OK;
    impl_->ClearError();
    RaiseKept(output.Failure());
    if (!failed) output.Flush();
  } catch (const Error& e) {
    failure = e.what();
  }
  if (failed || !failure.empty()) {
    impl_->ClearError();
    throw Error("Cannot write file \"" + path + "\"." + (failure.empty() ? "" : " " + failure));
  }
  target->Commit();
}

}  // namespace vt
