// Log line format, log texts per interface language, the log file.
#include <gtest/gtest.h>

#include "base/Strings.h"
#include "base/TempFiles.h"
#include "control/uRequestLog.h"
#include "support/TestEnv.h"

using namespace vt;

TEST(RequestLog, LineFormat) {
  EXPECT_EQ(TRequestLog::FormatLine("ActiveX::Run", "10:11:12", "hello"), "[ActiveX::Run] >> 10:11:12 >>hello");
  EXPECT_EQ(TRequestLog::FormatLine("Test::", "1:02:03 PM", ""), "[Test::] >> 1:02:03 PM >>");
}

TEST(RequestLog, WriteLogUsesTheLongTimeFormat) {
  TRequestLog log;
  log.WriteLog("Mutex >> ", "");
  ASSERT_EQ(log.Lines().size(), 1u);
  const std::string& line = log.Lines()[0];
  EXPECT_EQ(line.rfind("[Mutex >> ] >> ", 0), 0u);
  EXPECT_EQ(line.substr(line.size() - 3), " >>");
  char expected[64];
  ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, expected, sizeof(expected));
  std::string time = line.substr(15, line.size() - 18);
  EXPECT_EQ(time.size(), strlen(expected)) << time;
}

TEST(RequestLog, FileHoldsEveryLineAndIsReplaced) {
  test::TempDir dir;
  std::string path = dir.file("Vantrelle.log");
  test::WriteFileBytes(path, std::string(5000, 'x'));
  TRequestLog log;
  log.WriteLog("a", "one");
  log.WriteLog("b", "two");
  ASSERT_TRUE(log.SaveToFile(path));
  std::string content = test::ReadFileBytes(path);
  EXPECT_EQ(content, log.Lines()[0] + "\r\n" + log.Lines()[1] + "\r\n");
  log.Clear();
  log.WriteLog("c", "three");
  ASSERT_TRUE(log.SaveToFile(path));
  EXPECT_EQ(test::ReadFileBytes(path), log.Lines()[0] + "\r\n");
}

TEST(RequestLog, FileInTheTemporaryFolder) {
  EXPECT_EQ(TRequestLog::FilePath(), GetTempFolder() + "\\Vantrelle.log");
}

TEST(RequestLog, UnwritablePathIsSwallowedAsFalse) {
  TRequestLog log;
  log.WriteLog("a", "b");
  EXPECT_FALSE(log.SaveToFile("C:\\no\\such\\dir\\Vantrelle.log"));
}
