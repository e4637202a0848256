#include "page/uPdfWriter.h"

#include <hpdf.h>
#include <hpdf_doc.h>
#include <hpdf_streams.h>

#include <vector>

#include "base/Errors.h"
#include "base/ReplaceFile.h"
#include "base/Stream.h"
#include "base/Strings.h"

namespace vt {
namespace {

// The finished document goes to the file in large writes: libharu hands it over 4 KB at a time.
class TPdfFileOutput {
public:
  explicit TPdfFileOutput(const std::string& path) : file_(path, TFileStream::fmCreate) { buffer_.reserve(kSize); }

  static HPDF_STATUS Write(HPDF_Stream stream, const HPDF_BYTE* data, HPDF_UINT size) {
    auto* self = static_cast<TPdfFileOutput*>(stream->attr);
    try {  // no exception may cross libharu's C frames
      self->buffer_.insert(self->buffer_.end(), data, data + size);
      if (self->buffer_.size() >= kSize) self->Flush();
      return HPDF_OK;
    } catch (const Error& e) {
      self->failure_ = e.what();
      return HPDF_FILE_IO_ERROR;
    }
  }
  void Flush() {
    file_.Write(buffer_.data(), buffer_.size());
    buffer_.clear();
  }
  const std::string& Failure() const { return failure_; }

private:
  static constexpr size_t kSize = 1 << 20;
  TFileStream file_;
  std::vector<uint8_t> buffer_;
  std::string failure_;
};

}  // namespace

struct TPdfWriter::Impl {
  HPDF_Doc doc = nullptr;
  HPDF_Page page = nullptr;
  int pageHeight = 0;
  HPDF_STATUS error = HPDF_OK;
  HPDF_STATUS detail = 0;

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
    error = HPDF_OK;
    HPDF_ResetError(doc);
    throw Error(message);
  }
};

TPdfWriter::TPdfWriter() : impl_(std::make_unique<Impl>()) {
  impl_->doc = HPDF_New(&Impl::OnError, impl_.get());
  if (!impl_->doc) throw Error("Cannot create a PDF document");
  // Pages of DCT pictures need nothing past PDF 1.2, which older readers of printed output expect.
  impl_->doc->pdf_version = HPDF_VER_12;
  HPDF_SetCompressionMode(impl_->doc, HPDF_COMP_NONE);
  HPDF_SetPageLayout(impl_->doc, HPDF_PAGE_LAYOUT_SINGLE);
  impl_->Check("creating the document");
}

TPdfWriter::~TPdfWriter() {
  if (impl_->doc) HPDF_Free(impl_->doc);
}

void TPdfWriter::AddPage(int width, int height) {
  impl_->page = HPDF_AddPage(impl_->doc);
  impl_->Check("adding a page");
  HPDF_Page_SetWidth(impl_->page, static_cast<HPDF_REAL>(width));
  HPDF_Page_SetHeight(impl_->page, static_cast<HPDF_REAL>(height));
  impl_->Check("sizing a page");
  impl_->pageHeight = height;
  ++pages_;
}

void TPdfWriter::DrawJpeg(const std::vector<uint8_t>& jpeg, const RECT& bounds) {
  if (!impl_->page) throw Error("PDF page missing");
  int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0 || jpeg.empty()) return;
  HPDF_Image image = HPDF_LoadJpegImageFromMem(impl_->doc, jpeg.data(), static_cast<HPDF_UINT>(jpeg.size()));
  impl_->Check("adding a picture");
  HPDF_Page_DrawImage(impl_->page, image, static_cast<HPDF_REAL>(bounds.left),
                      static_cast<HPDF_REAL>(impl_->pageHeight - bounds.bottom), static_cast<HPDF_REAL>(width),
                      static_cast<HPDF_REAL>(height));
  impl_->Check("placing a picture");
}

void TPdfWriter::SaveToFile(const std::string& path) {
  TReplaceFile target(path);
  std::string failure;
  try {
    TPdfFileOutput output(target.TempPath());
    // The document saves itself into its own stream: that stream is, for this once, our file.
    HPDF_Stream stream = HPDF_CallbackWriter_New(impl_->doc->mmgr, &TPdfFileOutput::Write, &output);
    impl_->doc->stream = stream;
    HPDF_SaveToStream(impl_->doc);
    impl_->doc->stream = nullptr;
    if (stream) HPDF_Stream_Free(stream);
    failure = output.Failure();
    if (impl_->error == HPDF_OK && failure.empty()) output.Flush();
  } catch (const Error& e) {
    failure = e.what();
  }
  if (impl_->error != HPDF_OK || !failure.empty()) {
    impl_->error = HPDF_OK;
    HPDF_ResetError(impl_->doc);
    throw Error("Cannot write file \"" + path + "\"." + (failure.empty() ? "" : " " + failure));
  }
  target.Commit();
}

}  // namespace vt
