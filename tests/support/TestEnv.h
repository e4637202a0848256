// Shared helpers of the test programs.
#pragma once
#include <windows.h>
#include <set>
#include <string>

namespace vt::test {

// A fresh, empty folder under the temporary folder, removed with its content at scope end.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "\\" + name; }

private:
  std::string path_;
};

// Deletes a folder with everything in it.
void RemoveTree(const std::string& dir);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// The ids of this process's threads as the system lists them now.
std::set<DWORD> ThreadIdsOfThisProcess();

// Folder of the running test program.
std::string ProgramFolder();

// Runs a program with extra environment variables ("NAME=value" lines separated by '\n'),
// waits up to `timeoutMs`, returns its exit code (or -1) and what it wrote to stdout.
struct ChildResult {
  int exitCode = -1;
  std::string output;
};
ChildResult RunChild(const std::string& commandLine, const std::string& extraEnvironment = "",
                     DWORD timeoutMs = 60000);

}  // namespace vt::test
