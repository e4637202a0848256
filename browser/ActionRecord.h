// The record of what was done to the browser, for tests: a text file, one action per line,
// written through at once so that it survives a child process that is ended.
//
//   zoom <percent>                       the optical zoom command
//   refresh                              the page was reloaded
//   window <left> <top> <width> <height> the browser's frame window moved or changed size
//   enabled <0|1>                        the frame window was disabled or enabled
//   removeAttribute <element> <name>     an attribute was removed
//   style <element> <property> <value>   a style property was written
//   resizeTo <window> <width> <height>   a window object was resized ("top" or the frame's name)
//   setCapture <element>                 an element took the mouse capture
//   releaseCapture <element>             an element gave it back
//
// An element is written "#id", or by its tag name when it has no id.
#pragma once
#include <string>

#include "base/Handles.h"

namespace vt::browser {

class TActionRecord {
public:
  // Starts a new, empty record at `path`; an empty path records nothing. Throws vt::Error.
  explicit TActionRecord(const std::string& path = "");
  void Append(const std::string& line);

private:
  FileHandle file_;
};

}  // namespace vt::browser
