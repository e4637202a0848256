#include "page/uAreaEncoder.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "base/ScopeGuard.h"
#include "page/uBandReader.h"
#include "page/uJpegEncoder.h"

namespace vt {
namespace {

constexpr int kBandRows = 256;  // rows of the picture held at once while encoding
constexpr int kMaxWorkers = 4;

}  // namespace

std::vector<uint8_t> EncodeArea(THtmlImage& image, const RECT& area, int quality, TBitmap* band) {
  TBandReader rows(image, area, kBandRows, band);
  return TJpegEncoder(quality).EncodeRows(rows.Width(), rows.Height(), [&](int y) { return rows.Row(y); });
}

TAreaEncoder::TAreaEncoder(const THtmlImage& image, int quality) : image_(image), quality_(quality) {}

int TAreaEncoder::WorkerCount() {
  // The processors this process may run on, which may be fewer than the machine has.
  DWORD_PTR mine = 0, system = 0;
  if (!::GetProcessAffinityMask(::GetCurrentProcess(), &mine, &system)) return 1;
  int processors = 0;
  for (; mine; mine &= mine - 1) ++processors;
  return std::clamp(processors, 1, kMaxWorkers);
}

void TAreaEncoder::Run(const std::vector<RECT>& areas, void (*take)(void*, size_t, std::vector<uint8_t>&),
                       void* context) {
  // Readers of their own for the workers; without them, one thread does all.
  std::vector<std::unique_ptr<THtmlImage>> readers;
  const int workers = std::min<int>(WorkerCount(), static_cast<int>(areas.size()));
  for (int i = 0; i < workers && workers > 1; ++i) {
    std::unique_ptr<THtmlImage> reader = image_.OpenReader();
    if (!reader) break;
    readers.push_back(std::move(reader));
  }
  if (readers.size() < 2) {
    std::unique_ptr<THtmlImage> reader = image_.OpenReader();
    THtmlImage& source = reader ? *reader : const_cast<THtmlImage&>(image_);
    TBitmap band;
    for (size_t i = 0; i < areas.size(); ++i) {
      std::vector<uint8_t> jpeg = EncodeArea(source, areas[i], quality_, &band);
      take(context, i, jpeg);
    }
    return;
  }

  std::mutex lock;
  std::condition_variable changed;
  std::vector<std::optional<std::vector<uint8_t>>> done(areas.size());
  const size_t window = readers.size() * 2;  // areas encoded ahead of the one being taken
  size_t next = 0, taken = 0;
  std::exception_ptr failure;
  bool stop = false;

  auto work = [&](THtmlImage& reader) {
    TBitmap band;
    for (;;) {
      size_t index;
      {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return stop || next >= areas.size() || next < taken + window; });
        if (stop || next >= areas.size()) return;
        index = next++;
      }
      try {
        std::vector<uint8_t> jpeg = EncodeArea(reader, areas[index], quality_, &band);
        std::lock_guard<std::mutex> guard(lock);
        done[index] = std::move(jpeg);
      } catch (...) {
        std::lock_guard<std::mutex> guard(lock);
        if (!failure) failure = std::current_exception();
        stop = true;
      }
      changed.notify_all();
    }
  };
  std::vector<std::thread> threads;
  for (auto& reader : readers) threads.emplace_back(work, std::ref(*reader));

  auto finish = [&] {
    {
      std::lock_guard<std::mutex> guard(lock);
      stop = true;
    }
    changed.notify_all();
    for (std::thread& t : threads) t.join();
  };
  {
    const ScopeGuard stopWorkers(finish);
    for (; taken < areas.size(); ++taken) {
      std::vector<uint8_t> jpeg;
      {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return done[taken].has_value() || failure; });
        if (failure) break;
        jpeg = std::move(*done[taken]);
        done[taken].reset();
      }
      changed.notify_all();
      take(context, taken, jpeg);
    }
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace vt
