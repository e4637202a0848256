#include "base/Stream.h"

#include <algorithm>
#include <cstring>

#include "base/Errors.h"

namespace vt {

void TStream::ReadExact(void* buffer, size_t count) {
  if (Read(buffer, count) != count) throw Error("Stream read error");
}

namespace {

// Whether the system deletes the file when its handle (opened for deleting) closes.
bool SetDeleteOnClose(HANDLE file, bool remove) {
  FILE_DISPOSITION_INFO info{};
  info.DeleteFile = remove;
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &info, sizeof(info));
}

}  // namespace

TFileStream::TFileStream(const std::string& path, Mode mode) : path_(path) {
  const bool create = mode == fmCreate || mode == fmCreateTemporary;
  DWORD access = mode == fmOpenRead ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  if (mode == fmCreateTemporary) access |= DELETE;
  DWORD share = (mode == fmOpenRead ? FILE_SHARE_READ : 0) | FILE_SHARE_DELETE;
  DWORD disposition = create ? CREATE_ALWAYS : OPEN_EXISTING;
  file_.reset(::CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_ || (mode == fmCreateTemporary && !SetDeleteOnClose(file_.get(), true))) {
    DWORD code = ::GetLastError();
    throw Error((create ? "Cannot create file \"" : "Cannot open file \"") + path + "\". " + SystemErrorText(code));
  }
}

bool TFileStream::Keep() { return SetDeleteOnClose(file_.get(), false); }

size_t TFileStream::Read(void* buffer, size_t count) {
  size_t total = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  while (total < count) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - total, 1u << 30)), read = 0;
    if (!::ReadFile(file_.get(), out + total, chunk, &read, nullptr) || read == 0) break;
    total += read;
  }
  return total;
}

void TFileStream::Write(const void* buffer, size_t count) {
  size_t total = 0;
  auto* in = static_cast<const uint8_t*>(buffer);
  while (total < count) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - total, 1u << 30)), written = 0;
    if (!::WriteFile(file_.get(), in + total, chunk, &written, nullptr) || written == 0) {
      DWORD code = ::GetLastError();
      throw Error("Stream write error: \"" + path_ + "\". " + SystemErrorText(code));
    }
    total += written;
  }
}

int64_t TFileStream::Seek(int64_t offset, int origin) {
  LARGE_INTEGER distance, result;
  distance.QuadPart = offset;
  if (!::SetFilePointerEx(file_.get(), distance, &result, origin)) throw Error("Stream seek error");
  return result.QuadPart;
}

int64_t TFileStream::Size() {
  LARGE_INTEGER size;
  return ::GetFileSizeEx(file_.get(), &size) ? size.QuadPart : 0;
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
  size_t n = pos_ < bytes_.size() ? std::min(count, bytes_.size() - pos_) : 0;
  if (n) std::memcpy(buffer, bytes_.data() + pos_, n);
  pos_ += n;
  return n;
}

void TMemoryStream::Write(const void* buffer, size_t count) {
  if (pos_ + count > bytes_.size()) bytes_.resize(pos_ + count);
  if (count) std::memcpy(bytes_.data() + pos_, buffer, count);
  pos_ += count;
}

int64_t TMemoryStream::Seek(int64_t offset, int origin) {
  int64_t base = origin == FILE_BEGIN ? 0 : origin == FILE_CURRENT ? static_cast<int64_t>(pos_) : Size();
  int64_t target = base + offset;
  if (target < 0) throw Error("Stream seek error");
  pos_ = static_cast<size_t>(target);
  return target;
}

}  // namespace vt
