// Work on the captured picture done side by side on worker threads: each worker reads the picture
// through a reader of its own, and what the jobs make comes back on the calling thread in job
// order. Pictures without separate readers are worked on the calling thread.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/Bitmap.h"
#include "page/uHtmlImage.h"

namespace vt {

class TPictureWorkers {
public:
  // What a job makes: the bytes of a picture or a file, and a message for the person, if any.
  struct TOutput {
    std::vector<uint8_t> bytes;
    std::string message;
  };
  // A job gets its worker's reader and a bitmap the worker keeps for all its jobs (bands, pages).
  using Job = std::function<TOutput(THtmlImage& reader, TBitmap& work, size_t index)>;
  using Take = std::function<void(size_t index, TOutput& output)>;

  // Runs `job` for every index below `count` and `take` for each on the calling thread, in index
  // order. At most a few outputs wait at any time, so memory stays at the jobs in flight however
  // many there are. The first error of a job or of `take` is thrown here once the workers stopped.
  static void Run(const THtmlImage& image, size_t count, const Job& job, const Take& take);

  // Threads that work at once: one per processor the process may use, at most four.
  static int WorkerCount();
};

}  // namespace vt
