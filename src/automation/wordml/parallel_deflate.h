#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quorlex::automation::wordml {

// Deflates a stream of pieces on several threads, as raw deflate data a zip
// entry can hold. The stream is cut into chunks of a megabyte; each chunk
// is deflated on its own, primed with the 32 KB in front of it so that the
// cut costs nothing, and ends on a byte boundary, so the chunks put together
// in order are one deflate stream.
class ParallelDeflate {
 public:
  // The deflated stream in pieces, in order (kept apart: joining them
  // would hold the stream twice).
  struct Result {
    std::vector<std::string> pieces;
    std::uint32_t crc32 = 0;
    std::uint64_t size = 0;  // before deflating
    std::uint64_t compressed_size = 0;
  };

  // zlib's level; workers besides the thread that adds the pieces.
  ParallelDeflate(int level, unsigned workers);
  ~ParallelDeflate();
  ParallelDeflate(const ParallelDeflate&) = delete;
  ParallelDeflate& operator=(const ParallelDeflate&) = delete;

  // From one thread. When the workers fall behind, it deflates a chunk
  // itself rather than let chunks pile up.
  void Add(std::string_view piece);
  // Everything added, deflated; the first failure of a worker is thrown.
  Result Finish();

 private:
  // One chunk of the part, with the dictionary that continues the stream.
  struct Chunk {
    std::size_t index = 0;
    std::string data;
    std::string dictionary;
  };
  // One chunk deflated, with its checksum and size.
  struct Done {
    std::string deflated;
    std::uint32_t crc32 = 0;
    std::uint64_t size = 0;
  };

  // One thread's deflate state and output buffer, made once and reused
  // for every chunk: allocating them per chunk on several threads leaves
  // each thread's heap holding its high-water mark.
  class Deflater {
   public:
    explicit Deflater(int level);
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
    Done Run(const Chunk& chunk);

   private:
    void* stream_;  // z_stream, kept out of this header
    std::string buffer_;
  };

  void Seal();
  void Work();
  // Deflates queued chunks on the calling thread (lock held on entry and
  // exit) while more than `keep` wait.
  void Help(std::unique_lock<std::mutex>& lock, std::size_t keep);

  int level_;
  std::string current_;
  std::string dictionary_;
  std::size_t next_index_ = 0;
  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable finished_;
  std::deque<Chunk> queue_;
  std::vector<Done> results_;
  std::size_t outstanding_ = 0;  // chunks queued or being deflated
  bool closing_ = false;
  std::exception_ptr failure_;
  std::vector<std::thread> workers_;
  std::unique_ptr<Deflater> own_;  // the adding thread's, when it helps
};

}  // namespace quorlex::automation::wordml
