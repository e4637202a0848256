#include "support/ZipWriter.h"

#include <gtest/gtest.h>
#include <zip.h>

#include "support/TestEnv.h"

namespace vt::test {

std::string MakeZip(const ZipEntries& entries) {
  TempDir dir;
  std::string path = dir.file("made.zip");
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  EXPECT_NE(archive, nullptr);
  for (const auto& [name, content] : entries) {
    zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
    EXPECT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0) << name;
  }
  EXPECT_EQ(zip_close(archive), 0);
  return ReadFileBytes(path);
}

}  // namespace vt::test
