#include "automation/wordml/parallel_deflate.h"

#include <zlib.h>

#include <climits>
#include <new>

#include "platform/error.h"

namespace quorlex::automation::wordml {
namespace {

constexpr std::size_t kChunk = 1 << 20;
constexpr std::size_t kWindow = 32 * 1024;  // what deflate can refer back to
constexpr int kRawDeflate = -15;            // no zlib header: a zip entry's data
constexpr int kMemoryLevel = 8;
// An empty final block (fixed codes): ends a stream made of flushed chunks.
constexpr char kFinalBlock[] = {0x03, 0x00};

}  // namespace

ParallelDeflate::ParallelDeflate(int level, unsigned workers) : level_(level) {
  current_.reserve(kChunk + kChunk / 8);
  for (unsigned i = 0; i < workers; ++i)
    workers_.emplace_back([this] { Work(); });
}

ParallelDeflate::~ParallelDeflate() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
    queue_.clear();
  }
  work_.notify_all();
  for (std::thread& t : workers_)
    t.join();
}

void ParallelDeflate::Add(std::string_view piece) {
  while (!piece.empty()) {
    const std::size_t n = std::min(piece.size(), kChunk - current_.size());
    current_.append(piece.substr(0, n));
    piece.remove_prefix(n);
    if (current_.size() == kChunk) Seal();
  }
}

void ParallelDeflate::Seal() {
  Chunk chunk;
  chunk.index = next_index_++;
  chunk.dictionary = dictionary_;
  chunk.data = std::move(current_);
  dictionary_.assign(chunk.data, chunk.data.size() - std::min(chunk.data.size(), kWindow),
                     std::string::npos);
  current_ = std::string();
  current_.reserve(kChunk + kChunk / 8);
  std::unique_lock lock(mutex_);
  if (failure_) std::rethrow_exception(failure_);
  ++outstanding_;
  queue_.push_back(std::move(chunk));
  work_.notify_one();
  // Workers behind: this thread lends a hand.
  Help(lock, workers_.size());
}

void ParallelDeflate::Help(std::unique_lock<std::mutex>& lock, std::size_t keep) {
  while (queue_.size() > keep) {
    Chunk chunk = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    if (!own_) own_ = std::make_unique<Deflater>(level_);
    Done done = own_->Run(chunk);
    lock.lock();
    results_.resize(std::max(results_.size(), chunk.index + 1));
    results_[chunk.index] = std::move(done);
    --outstanding_;
  }
}

void ParallelDeflate::Work() {
  std::unique_ptr<Deflater> deflater;
  std::unique_lock lock(mutex_);
  while (true) {
    work_.wait(lock, [&] { return closing_ || !queue_.empty(); });
    if (queue_.empty()) return;
    Chunk chunk = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    Done done;
    std::exception_ptr failure;
    try {
      if (!deflater) deflater = std::make_unique<Deflater>(level_);
      done = deflater->Run(chunk);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    if (failure && !failure_) failure_ = failure;
    results_.resize(std::max(results_.size(), chunk.index + 1));
    results_[chunk.index] = std::move(done);
    --outstanding_;
    finished_.notify_all();
  }
}

ParallelDeflate::Deflater::Deflater(int level) : stream_(new z_stream{}) {
  auto* stream = static_cast<z_stream*>(stream_);
  if (deflateInit2(stream, level, Z_DEFLATED, kRawDeflate, kMemoryLevel, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    delete stream;
    throw std::bad_alloc();
  }
  // Room for a chunk's worst case and the flush's empty stored block.
  buffer_.resize(deflateBound(stream, kChunk) + 16);
}

ParallelDeflate::Deflater::~Deflater() {
  auto* stream = static_cast<z_stream*>(stream_);
  deflateEnd(stream);
  delete stream;
}

ParallelDeflate::Done ParallelDeflate::Deflater::Run(const Chunk& chunk) {
  auto* stream = static_cast<z_stream*>(stream_);
  Done done;
  done.size = chunk.data.size();
  done.crc32 = static_cast<std::uint32_t>(crc32(
      0, reinterpret_cast<const Bytef*>(chunk.data.data()), static_cast<uInt>(chunk.data.size())));
  deflateReset(stream);
  if (!chunk.dictionary.empty()) {
    deflateSetDictionary(stream, reinterpret_cast<const Bytef*>(chunk.dictionary.data()),
                         static_cast<uInt>(chunk.dictionary.size()));
  }
  stream->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.data.data()));
  stream->avail_in = static_cast<uInt>(chunk.data.size());
  stream->next_out = reinterpret_cast<Bytef*>(buffer_.data());
  stream->avail_out = static_cast<uInt>(buffer_.size());
  if (deflate(stream, Z_SYNC_FLUSH) != Z_OK || stream->avail_in != 0) {
    throw Error(errors::kFile, "Не удалось сжать часть документа");
  }
  done.deflated.assign(buffer_, 0, buffer_.size() - stream->avail_out);
  return done;
}

ParallelDeflate::Result ParallelDeflate::Finish() {
  if (!current_.empty() || next_index_ == 0) Seal();
  std::unique_lock lock(mutex_);
  // Whatever no worker has taken yet is deflated here.
  Help(lock, 0);
  finished_.wait(lock, [&] { return outstanding_ == 0; });
  if (failure_) std::rethrow_exception(failure_);
  Result result;
  result.pieces.reserve(results_.size() + 1);
  for (Done& d : results_) {
    result.crc32 = static_cast<std::uint32_t>(
        crc32_combine(result.crc32, d.crc32, static_cast<z_off_t>(d.size)));
    result.size += d.size;
    result.compressed_size += d.deflated.size();
    result.pieces.push_back(std::move(d.deflated));
  }
  results_.clear();
  result.pieces.emplace_back(kFinalBlock, sizeof kFinalBlock);
  result.compressed_size += sizeof kFinalBlock;
  return result;
}

}  // namespace quorlex::automation::wordml
