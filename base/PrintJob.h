// One document on a printer's device context. A job that goes without Finish (an error on the
// way) is aborted, so no half-sent job stays open in the spooler.
#pragma once
#include <windows.h>
#include <string>

namespace vt {

class TPrintJob {
public:
  // Starts the document; throws vt::Error when the printer refuses it.
  TPrintJob(HDC printer, const std::string& documentName);
  ~TPrintJob();
  TPrintJob(const TPrintJob&) = delete;
  TPrintJob& operator=(const TPrintJob&) = delete;

  // Each throws vt::Error when the printer refuses; the job is then aborted by the destructor.
  void StartPage();
  void EndPage();
  // Ends an open page and the document.
  void Finish();

  bool PageOpen() const { return pageOpen_; }

private:
  HDC dc_;
  bool open_ = false;
  bool pageOpen_ = false;
};

}  // namespace vt
