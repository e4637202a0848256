// OLE on the test program's main thread for every test, and text cut into lines.
#pragma once
#include <gtest/gtest.h>
#include <ole2.h>

#include <sstream>
#include <string>
#include <vector>

namespace vt::test {

// Register once per test program: ::testing::AddGlobalTestEnvironment(new OleEnvironment).
struct OleEnvironment : ::testing::Environment {
  void SetUp() override { ::OleInitialize(nullptr); }
  void TearDown() override { ::OleUninitialize(); }
};

// The lines of a program's output, without their CR.
inline std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace vt::test
