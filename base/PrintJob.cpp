#include "base/PrintJob.h"

#include "base/Errors.h"
#include "base/Strings.h"

namespace vt {

namespace {
void Check(int result, const char* step) {
  if (result <= 0) throw Error(Format("%s failed: %s", step, SystemErrorText(::GetLastError()).c_str()));
}
}  // namespace

TPrintJob::TPrintJob(HDC printer, const std::string& documentName) : dc_(printer) {
  if (!dc_) throw Error("No printer device context");
  DOCINFOA doc{sizeof(doc), documentName.c_str(), nullptr, nullptr, 0};
  Check(::StartDocA(dc_, &doc), "StartDoc");
  open_ = true;
}

TPrintJob::~TPrintJob() {
  if (open_) ::AbortDoc(dc_);
}

void TPrintJob::StartPage() {
  Check(::StartPage(dc_), "StartPage");
  pageOpen_ = true;
}

void TPrintJob::EndPage() {
  pageOpen_ = false;
  Check(::EndPage(dc_), "EndPage");
}

void TPrintJob::Finish() {
  if (pageOpen_) EndPage();
  Check(::EndDoc(dc_), "EndDoc");
  open_ = false;
}

}  // namespace vt
