#include <gtest/gtest.h>
#include <zlib.h>

#include "automation/document/sprm.h"
#include "automation/document/table_format.h"
#include "automation/wordml/names.h"
#include "automation/wordml/parallel_deflate.h"
#include "automation/wordml/reader.h"
#include "automation/wordml/wordml_error.h"
#include "automation/wordml/wordml_source.h"
#include "automation/wordml/writer.h"
#include "automation/wordml/xml_io.h"
#include "platform/error.h"

namespace quorlex::automation::wordml {
namespace {

namespace doc = document;

const char* const kFixtures[] = {"EmptyDocumentWithHeaderFooter.docx",
                                 "FieldCodes.docx",
                                 "SampleDoc.docx",
                                 "SimpleHeadThreeColFoot.docx",
                                 "Styles.docx",
                                 "TestTableColumns.docx",
                                 "footnotes.docx",
                                 "headerFooter.docx",
                                 "headerPic.docx",
                                 "sample.docx"};

std::string Fixture(const std::string& name) {
  return std::string(QUORLEX_FIXTURES_DIR) + "/docx/" + name;
}

std::string FixtureName(const ::testing::TestParamInfo<const char*>& info) {
  std::string name;
  for (const char* c = info.param; *c != '\0' && *c != '.'; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
  }
  return name;
}

// A part as its XML says it, without how it was written: elements,
// attributes (sorted) and text, one node a line.
std::string Canonical(const std::string& xml) {
  XmlReader reader(xml, "test");
  std::string out;
  while (reader.Read()) {
    if (reader.IsStart()) {
      out += "<{" + std::string(reader.Namespace()) + "}" + std::string(reader.LocalName());
      xmlNodePtr node = const_cast<xmlNode*>(reader.Expand());
      std::vector<std::string> attributes;
      for (xmlAttrPtr a = node->properties; a != nullptr; a = a->next) {
        xmlChar* value = xmlNodeListGetString(node->doc, a->children, 1);
        attributes.push_back(std::string(reinterpret_cast<const char*>(a->name)) + "=" +
                             (value ? reinterpret_cast<const char*>(value) : ""));
        xmlFree(value);
      }
      std::sort(attributes.begin(), attributes.end());
      for (const auto& a : attributes)
        out += " " + a;
      out += ">\n";
    } else if (reader.IsEnd()) {
      out += "</>\n";
    } else if (reader.IsText()) {
      out += std::string(reader.Value()) + "\n";
    }
  }
  return out;
}

doc::Document Read(const std::string& path) { return ReadDocumentFile(path); }

// The document written and read again.
package::Package Written(const doc::Document& document) {
  return package::Package::FromBytes(DocumentPackage(document).SaveToBytes(), "written.docx");
}

const WordMlSource& Source(const doc::Document& document) {
  return dynamic_cast<const WordMlSource&>(*document.source);
}

class EveryFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(EveryFixture, WrittenUnchangedItReadsTheSameAndKeepsEveryPart) {
  const doc::Document document = Read(Fixture(GetParam()));
  ASSERT_TRUE(document.Main().Consistent());
  const package::Package& in = Source(document).package;
  package::Package out = Written(document);
  const std::string main = Source(document).main_part;
  EXPECT_EQ(Canonical(out.Read(main)), Canonical(in.Read(main)));
  EXPECT_EQ(out.ContentTypeOf(main), content_type::kDocument);
  for (const std::string& name : in.PartNames()) {
    ASSERT_TRUE(out.Has(name)) << name;
    if (name == main || name.starts_with("/docProps/")) continue;
    EXPECT_EQ(out.Read(name), in.Read(name)) << name;
    const package::Relationships* before = in.FindRelationships(name);
    const package::Relationships* after = out.FindRelationships(name);
    ASSERT_EQ(before == nullptr || before->Empty(), after == nullptr || after->Empty()) << name;
    if (before != nullptr && after != nullptr) {
      EXPECT_EQ(before->All(), after->All()) << name;
    }
  }
  EXPECT_TRUE(out.Inconsistencies().empty());
  const doc::Document again = ReadDocument(std::move(out));
  EXPECT_EQ(again.PlainText(), document.PlainText());
  EXPECT_EQ(again.Tables().size(), document.Tables().size());
  ASSERT_EQ(again.sections.size(), document.sections.size());
  for (std::size_t i = 0; i < document.sections.size(); ++i) {
    EXPECT_EQ(again.sections[i].properties, document.sections[i].properties);
  }
}

INSTANTIATE_TEST_SUITE_P(Docx, EveryFixture, ::testing::ValuesIn(kFixtures), FixtureName);

TEST(WordMlReader, TextStylesSectionsAndTables) {
  const doc::Document styles = Read(Fixture("Styles.docx"));
  EXPECT_EQ(styles.PlainText().substr(0, 27), "Heading1\nHeading2\nHeading3\n");
  // Built-in styles are known by their English names, whatever their ids.
  const auto heading1 = styles.styles.FindBuiltin(1);
  ASSERT_TRUE(heading1);
  EXPECT_EQ(styles.paragraph_properties.Istd(styles.Main().paragraphs[0].papx), *heading1);

  const doc::Document sample = Read(Fixture("SampleDoc.docx"));
  const doc::PageSetup page = sample.sections.back().Page();
  EXPECT_GT(page.width, 11000);
  EXPECT_GT(page.height, page.width);
  EXPECT_TRUE(sample.fonts.Find("Arial Black"));

  const doc::Document tables = Read(Fixture("TestTableColumns.docx"));
  const auto spans = tables.Tables();
  ASSERT_EQ(spans.size(), 2u);
  EXPECT_EQ(spans[0].rows.size(), 2u);
  const auto& row_end = tables.Main().paragraphs[spans[0].rows[0].end_paragraph - 1];
  const std::vector<int> edges =
      doc::CellBoundaries(tables.paragraph_properties.Grpprl(row_end.papx));
  ASSERT_EQ(edges.size(), 5u);  // four cells of 2394 twips
  EXPECT_EQ(edges[1] - edges[0], 2394);

  const doc::Document fields = Read(Fixture("FieldCodes.docx"));
  const std::string text = fields.PlainText();
  EXPECT_NE(text.find("\x13 AUTHOR"), std::string::npos);
  EXPECT_NE(text.find("\x14"
                      "ANTONI\x15"),
            std::string::npos);
}

TEST(WordMlWriter, DeletedRowGoesAndTheOtherTablesStay) {
  doc::Document document = Read(Fixture("TestTableColumns.docx"));
  const std::size_t rows = document.Tables()[1].rows.size();
  document.DeleteRow(doc::StoryKind::kMain, document.Tables()[0], 0);
  const doc::Document again = ReadDocument(Written(document));
  ASSERT_EQ(again.Tables().size(), 2u);
  EXPECT_EQ(again.Tables()[0].rows.size(), 1u);
  EXPECT_EQ(again.Tables()[1].rows.size(), rows);
}

// A package made here: a document part with the body given, and styles.
package::Package MakePackage(const std::string& body,
                             std::string_view main_type = content_type::kTemplate) {
  package::Package pkg;
  pkg.Types().SetDefault("xml", "application/xml");
  pkg.Types().SetDefault("rels", "application/vnd.openxmlformats-package.relationships+xml");
  pkg.Write("/word/document.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
            "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
            "<w:body>" +
                body + "</w:body></w:document>",
            main_type);
  pkg.RelationshipsOf("/").Add(relationship::kOfficeDocument, "word/document.xml");
  return pkg;
}

TEST(WordMlWriter, ARowThatContinuedAMergeStartsItWhenTheRowAboveGoes) {
  const std::string cell =
      "<w:tc><w:tcPr><w:tcW w:w=\"1000\" w:type=\"dxa\"/>%<w:vAlign "
      "w:val=\"center\"/></w:tcPr><w:p><w:r><w:t>#</w:t></w:r></w:p></w:tc>";
  auto make = [&](const std::string& merge, const std::string& text) {
    std::string c = cell;
    c.replace(c.find('%'), 1, merge);
    c.replace(c.find('#'), 1, text);
    return c;
  };
  const std::string body =
      "<w:tbl><w:tblGrid><w:gridCol w:w=\"1000\"/><w:gridCol w:w=\"1000\"/></w:tblGrid>"
      "<w:tr>" +
      make("<w:vMerge w:val=\"restart\"/>", "A") + make("", "B1") +
      "</w:tr>"
      "<w:tr>" +
      make("<w:vMerge/>", "") + make("", "B2") +
      "</w:tr>"
      "<w:tr>" +
      make("<w:vMerge/>", "") + make("", "B3") +
      "</w:tr></w:tbl><w:p/>"
      "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/></w:sectPr>";
  doc::Document document = ReadDocument(MakePackage(body));
  document.DeleteRow(doc::StoryKind::kMain, document.Tables()[0], 0);
  const std::string xml = Written(document).Read("/word/document.xml");
  const std::size_t first_row = xml.find("<w:tr>");
  const std::size_t second_row = xml.find("<w:tr>", first_row + 1);
  ASSERT_NE(second_row, std::string::npos);
  const std::string row1 = xml.substr(first_row, second_row - first_row);
  EXPECT_NE(row1.find("<w:tcW w:w=\"1000\" w:type=\"dxa\"/><w:vMerge w:val=\"restart\"/><w:vAlign"),
            std::string::npos)
      << row1;
  EXPECT_NE(row1.find("B2"), std::string::npos);
  EXPECT_EQ(xml.substr(second_row).find("restart"), std::string::npos);
  EXPECT_EQ(xml.find("B1"), std::string::npos);
  EXPECT_NE(xml.find("<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/></w:sectPr></w:body>"),
            std::string::npos);
}

TEST(WordMlWriter, ATemplateBecomesADocumentWithItsOwnDatesAndNoStatistics) {
  const doc::Document document = Read(std::string(QUORLEX_SOURCE_DIR) + "/template/DAYRUR.dotx");
  EXPECT_EQ(Source(document).package.ContentTypeOf("/word/document.xml"), content_type::kTemplate);
  package::Package out = Written(document);
  EXPECT_EQ(out.ContentTypeOf("/word/document.xml"), content_type::kDocument);
  const doc::Document sample = Read(Fixture("SampleDoc.docx"));
  package::Package written = Written(sample);
  const std::string& app = written.Read("/docProps/app.xml");
  EXPECT_EQ(app.find("<Pages>"), std::string::npos);
  EXPECT_EQ(app.find("<Words>"), std::string::npos);
  const std::string& core = written.Read("/docProps/core.xml");
  EXPECT_EQ(core.find("2010-"), std::string::npos) << core;  // the template's dates are gone
}

TEST(WordMlWriter, MacrosAreLeftOutOfADocument) {
  package::Package pkg =
      MakePackage("<w:p><w:r><w:t>x</w:t></w:r></w:p>", content_type::kMacroTemplate);
  pkg.Write("/word/vbaProject.bin", std::string("macro bytes"),
            "application/vnd.ms-office.vbaProject");
  pkg.Write("/word/vbaData.xml",
            "<?xml version=\"1.0\"?><wne:vbaSuppData "
            "xmlns:wne=\"http://schemas.microsoft.com/office/word/2006/wordml\"/>",
            "application/vnd.ms-word.vbaData+xml");
  pkg.RelationshipsOf("/word/document.xml")
      .Add("http://schemas.microsoft.com/office/2006/relationships/vbaProject", "vbaProject.bin");
  pkg.RelationshipsOf("/word/vbaProject.bin")
      .Add("http://schemas.microsoft.com/office/2006/relationships/wordVbaData", "vbaData.xml");
  package::Package out = Written(ReadDocument(std::move(pkg)));
  EXPECT_FALSE(out.Has("/word/vbaProject.bin"));
  EXPECT_FALSE(out.Has("/word/vbaData.xml"));
  EXPECT_EQ(out.ContentTypeOf("/word/document.xml"), content_type::kDocument);
  EXPECT_TRUE(out.RelationshipsOf("/word/document.xml").Empty());
  EXPECT_TRUE(out.Inconsistencies().empty());
}

template <typename F>
ReadError Refused(F&& read) {
  try {
    read();
  } catch (const ReadError& e) {
    return e;
  }
  ADD_FAILURE() << "not refused";
  return ReadError(ReadFailure::kDamaged, "");
}

TEST(WordMlReader, RefusesWhatItCannotRead) {
  EXPECT_EQ(Refused([] {
              ReadDocumentFile(std::string(QUORLEX_FIXTURES_DIR) + "/xlsx/SampleSS.xlsx");
            }).Failure(),
            ReadFailure::kNotWordMl);
  const ReadError broken = Refused([] { ReadDocument(MakePackage("<w:p><w:r></w:p>")); });
  EXPECT_EQ(broken.Failure(), ReadFailure::kDamaged);
  EXPECT_NE(broken.Predicate().find("(строка 2)"), std::string::npos) << broken.Predicate();
  package::Package strict = MakePackage("");
  strict.Write(
      "/word/document.xml",
      "<w:document "
      "xmlns:w=\"http://purl.oclc.org/ooxml/wordprocessingml/main\"><w:body/></w:document>");
  EXPECT_EQ(Refused([&] { ReadDocument(std::move(strict)); }).Failure(), ReadFailure::kStrict);
  // A document type declaration is refused, so entities cannot blow up.
  const std::string bomb =
      "<!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]>";
  package::Package entities = MakePackage("");
  entities.Write("/word/document.xml",
                 bomb +
                     "<w:document "
                     "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/"
                     "main\"><w:body><w:p><w:r><w:t>&b;</w:t></w:r></w:p></w:body></w:document>");
  const ReadError doctype = Refused([&] { ReadDocument(std::move(entities)); });
  EXPECT_NE(doctype.Predicate().find("объявление типа документа"), std::string::npos);
}

TEST(WordMlReader, AnEmptyBodyStillHasAParagraphAndASection) {
  const doc::Document document = ReadDocument(MakePackage(""));
  EXPECT_EQ(document.Main().paragraphs.size(), 1u);
  EXPECT_EQ(document.sections.size(), 1u);
  const std::string xml = Written(document).Read("/word/document.xml");
  EXPECT_NE(xml.find("<w:body><w:p></w:p></w:body>"), std::string::npos) << xml;
}

}  // namespace
}  // namespace quorlex::automation::wordml

namespace quorlex::automation::wordml {
namespace {

std::string Inflate(const ParallelDeflate::Result& result) {
  std::string deflated;
  for (const std::string& piece : result.pieces)
    deflated += piece;
  EXPECT_EQ(deflated.size(), result.compressed_size);
  z_stream stream{};
  EXPECT_EQ(inflateInit2(&stream, -15), Z_OK);
  std::string out(result.size + 1, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(deflated.data());
  stream.avail_in = static_cast<uInt>(deflated.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
  EXPECT_EQ(stream.avail_in, 0u);  // one stream, ended where the data ends
  out.resize(out.size() - stream.avail_out);
  inflateEnd(&stream);
  return out;
}

TEST(ParallelDeflate, ChunksMakeOneStreamWithTheWholeChecksum) {
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{5}, std::size_t{1} << 20, (std::size_t{7} << 19) + 3}) {
    for (const unsigned workers : {0u, 1u, 3u}) {
      std::string input;
      std::uint32_t seed = 1;
      while (input.size() < size) {
        // Markup-like repetition with some noise in it.
        seed = seed * 1103515245u + 12345u;
        input +=
            "<w:tc><w:p><w:r><w:t>" + std::to_string(seed % 100000) + "</w:t></w:r></w:p></w:tc>";
      }
      input.resize(size);
      ParallelDeflate deflate(1, workers);
      for (std::size_t at = 0; at < input.size(); at += 70001) {
        deflate.Add(std::string_view(input).substr(at, 70001));
      }
      const ParallelDeflate::Result result = deflate.Finish();
      EXPECT_EQ(result.size, size);
      EXPECT_EQ(result.crc32,
                static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(input.data()),
                                                 static_cast<uInt>(input.size()))));
      EXPECT_EQ(Inflate(result), input) << size << " bytes, " << workers << " workers";
      if (size > 1000) {
        EXPECT_LT(result.compressed_size, size / 3);
      }
    }
  }
}

}  // namespace
}  // namespace quorlex::automation::wordml
