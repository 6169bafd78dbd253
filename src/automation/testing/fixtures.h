#pragma once

// The Excel and Word files in tests/fixtures/office, made by the office
// applications themselves. They are read-only: copy one before changing it.

#include <gtest/gtest.h>

#include <string>

namespace quorlex::automation::testing {

std::string XlsFixture(const std::string& name);
std::string DocFixture(const std::string& name);
std::string XlsxFixture(const std::string& name);
std::string DocxFixture(const std::string& name);

// The Word 97-2003 fixtures the engine reads: all but the Word 6 one and
// the encrypted one.
inline constexpr const char* kWordFixtures[] = {"Lists.doc",
                                                "NoHeadFoot.doc",
                                                "SimpleHeadThreeColFoot.doc",
                                                "ThreeColHeadFoot.doc",
                                                "empty.doc",
                                                "innertable.doc",
                                                "page-break.doc",
                                                "rasp.doc",
                                                "simple-table.doc",
                                                "simple.doc",
                                                "table-merges.doc"};

// The Excel workbook packages: every one the engine reads and writes back.
inline constexpr const char* kXlsxFixtures[] = {"45540_classic_Header.xlsx",
                                                "62629_toMerge.xlsx",
                                                "DataValidations-49244.xlsx",
                                                "SampleSS.xlsx",
                                                "SimpleWithComments.xlsx",
                                                "Themes.xlsx",
                                                "WithChart.xlsx",
                                                "WithConditionalFormatting.xlsx",
                                                "WithVariousData.xlsx",
                                                "chart_sheet.xlsx",
                                                "headerFooterTest.xlsx"};

// Names for the tests of a suite run over fixture files:
// "12843-2.xls" gives "12843_2_xls", and "page-break.doc" gives "pagebreak".
std::string XlsTestName(const ::testing::TestParamInfo<const char*>& info);
std::string DocTestName(const ::testing::TestParamInfo<const char*>& info);

}  // namespace quorlex::automation::testing
