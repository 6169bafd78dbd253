#include "automation/spreadsheetml/deflated_parts.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

#include "platform/error.h"

namespace quorlex::automation::spreadsheetml {
namespace {

constexpr int kRawDeflate = -15;  // no zlib header: a zip entry's data
constexpr int kMemoryLevel = 8;
constexpr std::size_t kOutPiece = 1 << 16;

}  // namespace

void DeflatedPart::Deflate() {
  if (result_) return;
  z_stream z{};
  if (deflateInit2(&z, level_, Z_DEFLATED, kRawDeflate, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::bad_alloc();
  Deflated result;
  uLong crc = crc32(0L, Z_NULL, 0);
  std::string piece;
  const auto run = [&](const std::string& input, int flush) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    do {
      if (piece.size() == kOutPiece) {
        result.compressed_size += piece.size();
        pieces_.push_back(std::move(piece));
        piece = std::string();
      }
      const std::size_t used = piece.size();
      piece.resize(kOutPiece);
      z.next_out = reinterpret_cast<Bytef*>(piece.data() + used);
      z.avail_out = static_cast<uInt>(kOutPiece - used);
      const int status = deflate(&z, flush);
      piece.resize(kOutPiece - z.avail_out);
      if (status == Z_STREAM_ERROR) {
        deflateEnd(&z);
        throw Error(errors::kSpreadsheet, "Не удалось сжать часть книги");
      }
      if (status == Z_STREAM_END) break;
    } while (z.avail_in > 0 || z.avail_out == 0 || flush == Z_FINISH);
  };
  try {
    inner_->Start();
    std::string input;
    while (true) {
      input.clear();
      if (!inner_->Next(input)) break;
      crc =
          crc32(crc, reinterpret_cast<const Bytef*>(input.data()), static_cast<uInt>(input.size()));
      result.size += input.size();
      run(input, Z_NO_FLUSH);
    }
    run(std::string(), Z_FINISH);
  } catch (...) {
    deflateEnd(&z);
    throw;
  }
  deflateEnd(&z);
  result.compressed_size += piece.size();
  piece.shrink_to_fit();  // kept until the save: a small part keeps a small piece
  pieces_.push_back(std::move(piece));
  result.crc32 = static_cast<std::uint32_t>(crc);
  result_ = result;
  inner_.reset();  // what it made is no longer needed
}

std::optional<package::PartProducer::Deflated> DeflatedPart::AlreadyDeflated() {
  Deflate();
  return result_;
}

bool DeflatedPart::Next(std::string& out) {
  if (next_ >= pieces_.size()) return false;
  out += pieces_[next_++];
  return true;
}

void DeflateAll(const std::vector<std::shared_ptr<DeflatedPart>>& parts) {
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::exception_ptr failure;
  const auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < parts.size();) {
      try {
        parts[i]->Deflate();
      } catch (...) {
        std::lock_guard lock(mutex);
        if (!failure) failure = std::current_exception();
        next = parts.size();
      }
    }
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t helpers = std::min<std::size_t>(cores - 1, parts.size() > 1 ? 3 : 0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < helpers; ++t)
    threads.emplace_back(work);
  work();
  for (std::thread& t : threads)
    t.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace quorlex::automation::spreadsheetml
