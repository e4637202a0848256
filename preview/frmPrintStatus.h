// The small window shown while pages go to the printer: both print loops create it, show it
// without a modal loop, set its status line before each page and free it when the job has ended.
// The person can neither close nor cancel it.
#pragma once
#include <windows.h>

#include <cstdint>

#include "base/Controls.h"
#include "base/Form.h"

namespace vt {

class TfmPrintStatus : public TForm {
public:
  // Created hidden, owned by the printing window.
  explicit TfmPrintStatus(HWND owner);

  // Sets the three texts from the string table; part of creation.
  void FormCreate();
  // The status line for page `page` of `total` (string 10013, which not every language fills
  // in), then the pending messages, so that the window repaints inside the print loop.
  void SetProgress(int32_t page, int32_t total);

  class TPicture : public TControl {
  public:
    TPicture(HWND parent, int left, int top, int width, int height);
  };

  TPicture Image1;
  TLabel Label1;
  TLabel lblStatus;
  TButton btnCancel;  // hidden; printing cannot be cancelled

protected:
  void CloseRequested() override {}
};

}  // namespace vt
