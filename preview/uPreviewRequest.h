// The request's part of the preview window: the capture to show and how.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "page/uPrintEngine.h"

namespace vt {

class ILogSink;
class THtmlImage;
class THtmlImageBuilder;
class TURLImg;

// What a request hands the preview window to show.
struct TPreviewRequest {
  THtmlImage* captureGraphic = nullptr;    // not owned
  THtmlImageBuilder* imageBuilder = nullptr;  // not owned; cuts selections
  RECT captureRect{};                      // the part of the capture laid out into pages
  TURLImg* settingImages = nullptr;        // the parsed header/footer setting, handed to every layout
  bool ownsSettingImages = false;          // the window frees settingImages
  int32_t printWithoutPreview = 0;         // non-zero: print at once, do not show
  TFitMode fitMode = fitRealSize;
  bool centerHorz = true;
  bool centerVert = false;
  bool modal = true;                       // either value shows the window modally
  uint8_t fitWindow = 0;                   // 1: size the window to the capture
  const std::vector<int32_t>* pageBreaks = nullptr;           // y positions; kept by the caller
  const std::vector<int32_t>* pageBreaksLandscape = nullptr;  // y positions; kept by the caller
  std::string userStr;
  std::string helpUrl;
  std::string closeButton;  // "true"/"false" (any case) or a number; empty leaves the button hidden
  std::string siteHost;     // the site's host: the save dialog's default file name comes from it
  ILogSink* log = nullptr;  // the request log; not owned
};

}  // namespace vt
