#include "support/TestEnv.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "base/FileTree.h"
#include "base/Handles.h"
#include "base/Strings.h"
#include "base/TempFiles.h"

namespace vt::test {

void RemoveTree(const std::string& dir) { vt::RemoveTree(ToWide(dir)); }

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  path_ = GetTempFolder() + "\\vt-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
          std::to_string(counter++);
  RemoveTree(path_);
  ::CreateDirectoryA(path_.c_str(), nullptr);
}

TempDir::~TempDir() { RemoveTree(path_); }

std::string ReadFileBytes(const std::string& path) {
  // Sharing everything, deleting too: a temporary file of the code under test is held so.
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const FileHandle file(
      ::CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (file && ::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::set<DWORD> ThreadIdsOfThisProcess() {
  std::set<DWORD> ids;
  const Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = snapshot && ::Thread32First(snapshot.get(), &entry); more;
       more = ::Thread32Next(snapshot.get(), &entry))
    if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
  return ids;
}

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path);
  return s.substr(0, s.find_last_of('\\'));
}

ChildResult RunChild(const std::string& commandLine, const std::string& extraEnvironment, DWORD timeoutMs) {
  // Environment block: ours, with the extra variables replacing any of the same name.
  std::vector<std::string> vars;
  std::istringstream extra(extraEnvironment);
  for (std::string line; std::getline(extra, line);)
    if (!line.empty()) vars.push_back(line);
  std::string block;
  LPCH env = ::GetEnvironmentStringsA();
  for (LPCH p = env; *p; p += strlen(p) + 1) {
    std::string entry(p);
    bool replaced = false;
    for (const auto& v : vars)
      if (_strnicmp(entry.c_str(), v.c_str(), v.find('=') + 1) == 0) replaced = true;
    if (!replaced) block += entry + '\0';
  }
  ::FreeEnvironmentStringsA(env);
  for (const auto& v : vars) block += v + '\0';
  block += '\0';

  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  HANDLE readPipe = nullptr, writePipe = nullptr;
  ::CreatePipe(&readPipe, &writePipe, &sa, 0);
  ::SetHandleInformation(readPipe, HANDLE_FLAG_INHERIT, 0);
  Handle reader(readPipe), writer(writePipe);

  STARTUPINFOA si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writer.get();
  si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::string cmd = commandLine;
  ChildResult result;
  if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, block.data(), nullptr, &si, &pi))
    return result;
  Handle process(pi.hProcess), thread(pi.hThread);
  writer.reset();
  // Read on a thread so that a hung child is ended at the time-out instead of hanging the test.
  std::string output;
  std::thread drain([&] {
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(reader.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) output.append(buffer, read);
  });
  bool finished = ::WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0;
  if (!finished) ::TerminateProcess(process.get(), 1);
  drain.join();
  result.output = output;
  if (!finished) return result;
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  result.exitCode = static_cast<int>(code);
  return result;
}

}  // namespace vt::test
