// The help page: the request's help URL opened in the user's default web browser, in a new window
// where the browser allows it.
#pragma once
#include <functional>
#include <string>

namespace vt {

// Starts `program` with `parameters`; unset, the shell's "open" verb in a normal window.
using TShellStart = std::function<void(const std::string& program, const std::string& parameters)>;

// Opens `url` in the browser registered for web pages; nothing is reported when there is none.
void OpenHelpUrl(const std::string& url, const TShellStart& shellStart);

// The program the shell opens `fileName` with; empty when none is registered.
std::string FindBrowserExecutable(const std::string& fileName);
// What the browser of file name `browserFile` is started with to open `url` in a new window.
std::string HelpParameters(const std::string& browserFile, const std::string& url);

}  // namespace vt
