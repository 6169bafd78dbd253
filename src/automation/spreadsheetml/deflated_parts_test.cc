#include "automation/spreadsheetml/deflated_parts.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "platform/error.h"

namespace quorlex::automation::spreadsheetml {
namespace {

// Gives `pieces` pieces of numbered rows; throws at piece `fail_at`.
class Rows : public package::PartProducer {
 public:
  Rows(int pieces, int fail_at = -1) : pieces_(pieces), fail_at_(fail_at) {}
  void Start() override { next_ = 0; }
  bool Next(std::string& out) override {
    if (next_ == fail_at_) throw Error(errors::kSpreadsheet, "сбой");
    if (next_ >= pieces_) return false;
    for (int r = 0; r < 2000; ++r)
      out += "<row r=\"" + std::to_string(next_ * 2000 + r) + "\"/>";
    ++next_;
    return true;
  }

 private:
  int pieces_;
  int fail_at_;
  int next_ = 0;
};

std::string Made(package::PartProducer& p) {
  std::string all;
  p.Start();
  while (p.Next(all)) {
  }
  return all;
}

std::string Inflated(const std::string& deflated, std::size_t size) {
  std::string out(size, '\0');
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
  z.avail_in = static_cast<uInt>(deflated.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
  EXPECT_EQ(z.avail_out, 0u);
  inflateEnd(&z);
  return out;
}

TEST(DeflatedParts, WhatTheySaveInflatesToWhatThePartMakes) {
  const std::vector<int> sizes = {0, 1, 7, 40};
  std::vector<std::shared_ptr<DeflatedPart>> parts;
  for (int n : sizes)
    parts.push_back(std::make_shared<DeflatedPart>(std::make_shared<Rows>(n), 1));
  DeflateAll(parts);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    Rows rows(sizes[i]);
    const std::string expected = Made(rows);
    const auto deflated = parts[i]->AlreadyDeflated();
    ASSERT_TRUE(deflated);
    EXPECT_EQ(deflated->size, expected.size());
    EXPECT_EQ(deflated->crc32, crc32(0L, reinterpret_cast<const Bytef*>(expected.data()),
                                     static_cast<uInt>(expected.size())));
    const std::string bytes = Made(*parts[i]);
    EXPECT_EQ(bytes.size(), deflated->compressed_size);
    EXPECT_EQ(Inflated(bytes, expected.size()), expected);
  }
}

TEST(DeflatedParts, AFailingPartFailsThemAll) {
  std::vector<std::shared_ptr<DeflatedPart>> parts;
  for (int i = 0; i < 8; ++i)
    parts.push_back(std::make_shared<DeflatedPart>(std::make_shared<Rows>(5, i == 5 ? 2 : -1), 1));
  EXPECT_THROW(DeflateAll(parts), Error);
}

}  // namespace
}  // namespace quorlex::automation::spreadsheetml
