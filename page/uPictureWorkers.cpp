#include "page/uPictureWorkers.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "base/Boundary.h"
#include "base/ScopeGuard.h"

namespace vt {
namespace {

constexpr int kMaxWorkers = 4;

}  // namespace

int TPictureWorkers::WorkerCount() {
  // The processors this process may run on, which may be fewer than the machine has.
  DWORD_PTR mine = 0, system = 0;
  if (!::GetProcessAffinityMask(::GetCurrentProcess(), &mine, &system)) return 1;
  int processors = 0;
  for (; mine; mine &= mine - 1) ++processors;
  return std::clamp(processors, 1, kMaxWorkers);
}

void TPictureWorkers::Run(const THtmlImage& image, size_t count, const Job& job, const Take& take) {
  // Readers of their own for the workers; without them, one thread does all.
  std::vector<std::unique_ptr<THtmlImage>> readers;
  const int workers = static_cast<int>(std::min<size_t>(WorkerCount(), count));
  for (int i = 0; i < workers && workers > 1; ++i) {
    std::unique_ptr<THtmlImage> reader = image.OpenReader();
    if (!reader) break;
    readers.push_back(std::move(reader));
  }
  if (readers.size() < 2) {
    std::unique_ptr<THtmlImage> reader = image.OpenReader();
    THtmlImage& source = reader ? *reader : const_cast<THtmlImage&>(image);
    TBitmap work;
    for (size_t i = 0; i < count; ++i) {
      TOutput output = job(source, work, i);
      take(i, output);
    }
    return;
  }

  std::mutex lock;
  std::condition_variable changed;
  std::vector<std::optional<TOutput>> done(count);
  const size_t window = readers.size() * 2;  // jobs done ahead of the one being taken
  size_t next = 0, taken = 0;
  std::exception_ptr failure;
  bool stop = false;

  auto work = [&](THtmlImage& reader) {
    TBitmap bitmap;
    for (;;) {
      size_t index;
      {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return stop || next >= count || next < taken + window; });
        if (stop || next >= count) return;
        index = next++;
      }
      // The thread cannot pass an exception on: Run raises the first one on the calling thread.
      std::exception_ptr jobFailure;
      if (!CallbackBoundary(jobFailure, false, [&] {
            TOutput output = job(reader, bitmap, index);
            std::lock_guard<std::mutex> guard(lock);
            done[index] = std::move(output);
            return true;
          })) {
        std::lock_guard<std::mutex> guard(lock);
        if (!failure) failure = jobFailure;
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
    for (; taken < count; ++taken) {
      TOutput output;
      {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return done[taken].has_value() || failure; });
        if (failure) break;
        output = std::move(*done[taken]);
        done[taken].reset();
      }
      changed.notify_all();
      take(taken, output);
    }
  }
  RaiseKept(failure);
}

}  // namespace vt
