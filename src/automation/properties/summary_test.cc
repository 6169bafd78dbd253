#include "automation/properties/summary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "automation/compound/reader.h"
#include "automation/properties/property_set.h"
#include "platform/error.h"

namespace quorlex::automation::properties {
namespace {

struct Stored {
  std::string name;
  std::string summary;
  std::string document_summary;
};

// The property streams of every Excel and Word fixture that has them.
std::vector<Stored> FixtureStreams() {
  std::vector<Stored> out;
  for (const char* kind : {"xls", "doc"}) {
    for (const auto& file :
         std::filesystem::directory_iterator(std::string(QUORLEX_FIXTURES_DIR) + "/" + kind)) {
      try {
        const compound::Entry root = compound::ReadCompoundFile(file.path().string());
        const compound::Entry* summary = root.Find(kSummaryStream);
        const compound::Entry* more = root.Find(kDocumentSummaryStream);
        if (summary == nullptr) continue;
        out.push_back(
            {file.path().filename().string(), summary->data, more == nullptr ? "" : more->data});
      } catch (const Error&) {
        // Not a compound file (a BIFF4 one): no properties to test.
      }
    }
  }
  return out;
}

std::uint64_t FiletimeOf(const PropertySet& set, std::uint32_t id) {
  const auto* p = set.Find(id);
  if (p == nullptr || p->value.size() < 12) return 0;
  std::uint64_t v = 0;
  for (int i = 11; i >= 4; --i)
    v = (v << 8) | static_cast<std::uint8_t>(p->value[static_cast<std::size_t>(i)]);
  return v;
}

// Every fixture's summary made a new file's: the new time stamps, revision
// 1, no editing time, no last author and no counts; every other property
// exactly as the template had it, the user-defined section too.
TEST(Summary, AFileMadeFromATemplateGetsPropertiesOfItsOwn) {
  const auto fixtures = FixtureStreams();
  ASSERT_GE(fixtures.size(), 10u);
  const auto created = Clock::from_time_t(1700000000);
  const auto saved = created + std::chrono::seconds(7);
  const std::set<std::uint32_t> changed = {8, 9, 10, 12, 13, 14, 15, 16};
  for (const Stored& fixture : fixtures) {
    const auto before = PropertySet::Parse(fixture.summary);
    ASSERT_TRUE(before.has_value()) << fixture.name;
    const auto after = PropertySet::Parse(FreshSummary(fixture.summary, created, saved));
    ASSERT_TRUE(after.has_value()) << fixture.name;
    EXPECT_EQ(FiletimeOf(*after, 12), Filetime(created)) << fixture.name;
    EXPECT_EQ(FiletimeOf(*after, 13), Filetime(saved)) << fixture.name;
    EXPECT_EQ(after->TypeOf(10), kTypeFiletime) << fixture.name;
    EXPECT_EQ(FiletimeOf(*after, 10), 0u) << fixture.name;
    ASSERT_NE(after->Find(9), nullptr) << fixture.name;
    EXPECT_EQ(after->TypeOf(9), kTypeString) << fixture.name;
    for (std::uint32_t gone : {8u, 14u, 15u, 16u})
      EXPECT_EQ(after->Find(gone), nullptr) << fixture.name << " " << gone;
    for (const auto& p : before->Properties()) {
      if (changed.count(p.id) != 0) continue;
      const auto* kept = after->Find(p.id);
      ASSERT_NE(kept, nullptr) << fixture.name << " lost property " << p.id;
      EXPECT_EQ(kept->value.substr(0, p.value.size()), p.value) << fixture.name << " " << p.id;
    }
    if (fixture.document_summary.empty()) continue;
    const std::string more = FreshDocumentSummary(fixture.document_summary);
    const auto more_before = PropertySet::Parse(fixture.document_summary);
    if (!more_before) {
      // One that does not hold together (a section longer than the stream)
      // is dropped rather than passed on.
      EXPECT_EQ(more, "") << fixture.name;
      continue;
    }
    const auto more_after = PropertySet::Parse(more);
    ASSERT_TRUE(more_after) << fixture.name;
    for (std::uint32_t gone : {4u, 5u, 6u, 17u})
      EXPECT_EQ(more_after->Find(gone), nullptr) << fixture.name;
    for (const auto& p : more_before->Properties()) {
      if (p.id == 4 || p.id == 5 || p.id == 6 || p.id == 17) continue;
      ASSERT_NE(more_after->Find(p.id), nullptr) << fixture.name << " lost property " << p.id;
      EXPECT_EQ(more_after->Find(p.id)->value.substr(0, p.value.size()), p.value) << fixture.name;
    }
    // A second section (the user's own properties) comes along.
    EXPECT_EQ(more.substr(24, 4), fixture.document_summary.substr(24, 4)) << fixture.name;
    EXPECT_EQ(more_after->Serialize(), more) << fixture.name;
  }
}

// Without a summary in the template the new file still gets one.
TEST(Summary, ATemplateWithoutSummaryGetsOne) {
  const auto when = Clock::from_time_t(1700000000);
  for (const std::string& stream :
       {std::string(), std::string("not a property set at all, not at all")}) {
    const auto made = PropertySet::Parse(FreshSummary(stream, when, when));
    ASSERT_TRUE(made.has_value());
    EXPECT_EQ(made->TypeOf(kCodePageId), kTypeInt16);
    EXPECT_EQ(FiletimeOf(*made, 12), Filetime(when));
    EXPECT_EQ(FiletimeOf(*made, 13), Filetime(when));
    EXPECT_NE(made->Find(9), nullptr);
  }
  EXPECT_EQ(FreshDocumentSummary(""), "");
  EXPECT_EQ(Filetime(Clock::from_time_t(0)), 116444736000000000ull);
}

}  // namespace
}  // namespace quorlex::automation::properties
