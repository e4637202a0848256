// The Linux side of the test machine, reached from a test program under Wine:
// readers such as pdfinfo, pdfimages, pdftoppm and qpdf check our output files.
#pragma once
#include <string>

namespace vt::test {

struct UnixResult {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
};

// Runs `command` with /bin/sh and waits for it. Not available outside Wine.
UnixResult RunUnixCommand(const std::string& command);

// Path conversions through Wine's own mapping.
std::string UnixPath(const std::string& windowsPath);
std::string WindowsPath(const std::string& unixPath);

// The value of one "Name:   value" line of pdfinfo's output ("" when absent).
std::string PdfInfoField(const std::string& pdfinfoOutput, const std::string& name);

// The test display's pointer moved and clicked, or its keys pressed, as a person does, through the X
// server (xdotool's commands, e.g. "mousemove 100 200 click 3", "key Escape"): what windows see is
// real input, even while a menu holds the mouse. False when xdotool fails.
bool XMouse(const std::string& commands);

// A value quoted for the shell.
std::string ShellQuote(const std::string& text);

}  // namespace vt::test
