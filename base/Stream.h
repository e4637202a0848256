// Byte streams: a file on disk and a block of memory, behind one interface.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Handles.h"

namespace vt {

class TStream {
public:
  virtual ~TStream() = default;
  // Reads up to `count` bytes; returns how many were read (fewer only at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes all bytes or throws vt::Error.
  virtual void Write(const void* buffer, size_t count) = 0;
  virtual int64_t Seek(int64_t offset, int origin) = 0;  // origin: FILE_BEGIN, FILE_CURRENT, FILE_END
  virtual int64_t Size() = 0;

  int64_t Position() { return Seek(0, FILE_CURRENT); }
  void SetPosition(int64_t p) { Seek(p, FILE_BEGIN); }
  // Reads exactly `count` bytes or throws vt::Error.
  void ReadExact(void* buffer, size_t count);
};

// Shares deleting in every mode: the file may be a temporary one that its owner has the system
// delete when the last handle on it closes.
class TFileStream : public TStream {
public:
  // fmCreateTemporary: as fmCreate, and the system deletes the file when it is closed, however the
  // process ends, unless Keep is called first.
  enum Mode { fmCreate, fmCreateTemporary, fmOpenRead, fmOpenReadWrite };
  // Throws vt::Error with the system's reason when the file cannot be opened.
  TFileStream(const std::string& path, Mode mode);
  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override;
  const std::string& path() const { return path_; }
  // A file of fmCreateTemporary stays when closed; false, with the system's error, when it cannot.
  bool Keep();

private:
  std::string path_;
  FileHandle file_;
};

class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  size_t Read(void* buffer, size_t count) override;
  void Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  void Clear() { bytes_.clear(); pos_ = 0; }

private:
  std::vector<uint8_t> bytes_;
  size_t pos_ = 0;
};

}  // namespace vt
