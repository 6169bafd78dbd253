#include "automation/compound/reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "automation/compound/read_error.h"
#include "automation/testing/fixtures.h"
#include "platform/files.h"
#include "platform/little_endian.h"

namespace quorlex::automation::compound {

using platform::Get32;

namespace {

using testing::DocFixture;
using testing::XlsFixture;

std::string Bytes(const std::string& path) { return platform::ReadFile(path).value_or(""); }

// The refusal of the bytes.
ReadError ErrorOf(std::string_view bytes) {
  try {
    ReadCompoundBytes(bytes);
  } catch (const ReadError& e) {
    return e;
  }
  ADD_FAILURE() << "the bytes were read";
  return ReadError(ReadFailure::kDamaged, "");
}

// The directory entry of a stream or storage of the file, as an offset in
// its bytes: the directory starts at the sector the header names, and each
// entry starts with its name in UTF-16.
std::size_t DirectoryEntry(const std::string& bytes, const std::u16string& name) {
  const std::size_t sector_size = std::size_t{1} << (Get32(bytes, 0x1E) & 0xFFFF);
  const std::size_t directory = (Get32(bytes, 0x30) + 1) * sector_size;
  for (std::size_t at = directory; at + 128 <= directory + sector_size && at + 128 <= bytes.size();
       at += 128) {
    if (std::memcmp(bytes.data() + at, name.data(), name.size() * 2) == 0) return at;
  }
  return 0;
}

TEST(CompoundReader, ReadsTheTreeOfAWordDocument) {
  const Entry root = ReadCompoundFile(DocFixture("ThreeColHeadFoot.doc"));
  EXPECT_TRUE(root.is_storage);
  // The root's class says which application made the file.
  EXPECT_EQ(root.class_id[0], 0x06);
  EXPECT_EQ(root.class_id[1], 0x09);
  EXPECT_EQ(root.class_id[2], 0x02);
  for (const char* stream : {"WordDocument", "1Table", "Data",
                             "\x01"
                             "CompObj",
                             "\x05SummaryInformation"}) {
    const Entry* entry = root.Find(stream);
    ASSERT_NE(entry, nullptr) << stream;
    EXPECT_FALSE(entry->is_storage) << stream;
    EXPECT_FALSE(entry->data.empty()) << stream;
  }
  // The main stream starts with the Word 97 file header's identifier.
  EXPECT_EQ(root.Find("WordDocument")->data.substr(0, 2), "\xEC\xA5");
  EXPECT_EQ(root.Find("0Table"), nullptr);
}

TEST(CompoundReader, ReadsStoragesWithTheirClassesAndStreams) {
  // A workbook with a macro project: storages inside storages.
  const Entry root = ReadCompoundFile(XlsFixture("44010-SingleChart.xls"));
  EXPECT_NE(root.Find("Workbook"), nullptr);
  int storages = 0;
  int streams = 0;
  auto walk = [&](const auto& self, const Entry& storage) -> void {
    for (const Entry& child : storage.children) {
      if (child.is_storage) {
        ++storages;
        EXPECT_TRUE(child.data.empty()) << child.name;
        self(self, child);
      } else {
        ++streams;
        EXPECT_TRUE(child.children.empty()) << child.name;
      }
    }
  };
  walk(walk, root);
  EXPECT_GE(storages, 2);
  EXPECT_GE(streams, 6);
}

TEST(CompoundReader, AFileAndItsBytesGiveTheSameTree) {
  const std::string path = XlsFixture("SimpleWithComments.xls");
  const Entry from_file = ReadCompoundFile(path);
  const Entry from_bytes = ReadCompoundBytes(Bytes(path));
  ASSERT_EQ(from_file.children.size(), from_bytes.children.size());
  for (std::size_t i = 0; i < from_file.children.size(); ++i) {
    EXPECT_EQ(from_file.children[i].name, from_bytes.children[i].name);
    EXPECT_EQ(from_file.children[i].data, from_bytes.children[i].data);
  }
  EXPECT_EQ(from_file.class_id, from_bytes.class_id);
}

TEST(CompoundReader, TellsCompoundFilesByTheirSignature) {
  const std::string workbook = Bytes(XlsFixture("xlrd-ragged.xls"));
  const auto* data = reinterpret_cast<const std::uint8_t*>(workbook.data());
  EXPECT_TRUE(IsCompoundFile({data, workbook.size()}));
  EXPECT_FALSE(IsCompoundFile({data, 7}));
  const std::string biff4 = Bytes(XlsFixture("xlrd-biff4_no_format_no_window2.xls"));
  EXPECT_FALSE(IsCompoundFile({reinterpret_cast<const std::uint8_t*>(biff4.data()), biff4.size()}));
}

TEST(CompoundReader, RefusesWhatIsNotACompoundFile) {
  const ReadError text =
      ErrorOf("This is plain text, long enough to be taken for a header. " + std::string(600, 'x'));
  EXPECT_EQ(text.Failure(), ReadFailure::kNotCompound);
  EXPECT_EQ(text.Number(), errors::kFormat);
  EXPECT_EQ(ErrorOf("").Failure(), ReadFailure::kNotCompound);
  try {
    ReadCompoundFile(DocFixture("no-such-file.doc"));
    ADD_FAILURE() << "a missing file was read";
  } catch (const ReadError& e) {
    EXPECT_EQ(e.Failure(), ReadFailure::kUnreadable);
    EXPECT_EQ(e.Number(), errors::kFile);
    EXPECT_FALSE(e.Detail().empty());
  }
}

// Cut short or scribbled over, a file is a clear error or what it still
// holds; never a crash or another exception.
TEST(CompoundReader, ADamagedFileIsAnErrorNotACrash) {
  const std::string document = Bytes(DocFixture("simple-table.doc"));
  for (std::size_t cut : {0u, 100u, 512u, 1536u, 3000u, 8000u}) {
    EXPECT_THROW(ReadCompoundBytes(std::string_view(document).substr(0, cut)), ReadError) << cut;
  }
  for (const std::string& bytes : {document, Bytes(XlsFixture("44010-SingleChart.xls"))}) {
    for (std::size_t cut = 512; cut < bytes.size(); cut += 1000) {
      try {
        ReadCompoundBytes(std::string_view(bytes).substr(0, cut));
      } catch (const ReadError&) {
      }
    }
    for (std::size_t step : {7u, 61u, 509u}) {
      std::string scribbled = bytes;
      for (std::size_t i = 512; i < scribbled.size(); i += step)
        scribbled[i] = static_cast<char>(i * 31);
      try {
        ReadCompoundBytes(scribbled);
      } catch (const ReadError&) {
      }
    }
  }
}

// A length field that claims two gigabytes allocates nothing of the kind:
// the stream is refused, or left out.
TEST(CompoundReader, AStreamLongerThanTheFileIsNotRead) {
  std::string bytes = Bytes(DocFixture("simple.doc"));
  const std::size_t entry = DirectoryEntry(bytes, u"WordDocument");
  ASSERT_GT(entry, 0u);
  const std::uint32_t huge = 0x7FFFFF00;
  std::memcpy(bytes.data() + entry + 0x78, &huge, 4);
  try {
    const Entry root = ReadCompoundBytes(bytes);
    const Entry* stream = root.Find("WordDocument");
    EXPECT_TRUE(stream == nullptr || stream->data.size() <= bytes.size());
  } catch (const ReadError& e) {
    EXPECT_EQ(e.Failure(), ReadFailure::kDamaged);
    EXPECT_EQ(e.Number(), errors::kFormat);
  }
}

}  // namespace
}  // namespace quorlex::automation::compound
