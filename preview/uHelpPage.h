// The help page: the request's help URL opened in the user's default web browser, in a new window
// where the browser allows it.
#pragma once
#include <functional>
#include <string>

namespace vt {

// Starts `program` with `parameters`; unset, the shell's "open" verb in a normal window.
using TShellStart = std::function<void(const std::string& program, const std::string& parameters)>;

// Opens `url` in the browser registered for web pages; nothing is reported when there is none.
// False, and nothing started, when `url` is no help URL (see IsHelpUrl).
bool OpenHelpUrl(const std::string& url, const TShellStart& shellStart);

// An absolute http or https URL, read as the downloads read one, that one quoted argument holds
// whole: no blank, quote, backslash or control character in it.
bool IsHelpUrl(const std::string& url);
// The program the shell opens `fileName` with; empty when none is registered.
std::string FindBrowserExecutable(const std::string& fileName);
// What the browser of file name `browserFile` is started with to open the help URL `url` in a new
// window: the URL as one quoted argument.
std::string HelpParameters(const std::string& browserFile, const std::string& url);

}  // namespace vt
