#include "automation/testing/fixtures.h"

#include <cctype>

namespace quorlex::automation::testing {

std::string XlsFixture(const std::string& name) {
  return std::string(QUORLEX_FIXTURES_DIR) + "/xls/" + name;
}

std::string DocFixture(const std::string& name) {
  return std::string(QUORLEX_FIXTURES_DIR) + "/doc/" + name;
}

std::string XlsxFixture(const std::string& name) {
  return std::string(QUORLEX_FIXTURES_DIR) + "/xlsx/" + name;
}

std::string DocxFixture(const std::string& name) {
  return std::string(QUORLEX_FIXTURES_DIR) + "/docx/" + name;
}

std::string XlsTestName(const ::testing::TestParamInfo<const char*>& info) {
  std::string name = info.param;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

std::string DocTestName(const ::testing::TestParamInfo<const char*>& info) {
  std::string name;
  for (const char* c = info.param; *c != '\0' && *c != '.'; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
  }
  return name;
}

}  // namespace quorlex::automation::testing
