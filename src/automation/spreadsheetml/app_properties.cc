#include "automation/spreadsheetml/app_properties.h"

#include <regex>

#include "automation/spreadsheetml/xml_util.h"

namespace quorlex::automation::spreadsheetml {

std::string WithPartTitles(const std::string& xml, const PartTitles& titles) {
  static const std::regex heading_pairs(R"(<HeadingPairs>[\s\S]*?</HeadingPairs>)");
  static const std::regex titles_of_parts(R"(<TitlesOfParts>[\s\S]*?</TitlesOfParts>)");
  static const std::regex label(R"(<vt:variant>\s*<vt:lpstr>([^<]*)</vt:lpstr>)");
  std::smatch pairs;
  if (xml.find("xmlns:vt=\"") == std::string::npos ||
      !std::regex_search(xml, pairs, heading_pairs) || !std::regex_search(xml, titles_of_parts))
    return xml;
  // The template's headings in Excel's order: worksheets, then charts when
  // it had chart sheets, then named ranges.
  std::vector<std::string> labels;
  const std::string pairs_xml = pairs.str();
  for (auto it = std::sregex_iterator(pairs_xml.begin(), pairs_xml.end(), label);
       it != std::sregex_iterator(); ++it)
    labels.push_back((*it)[1].str());
  std::size_t next = 0;
  const auto heading = [&](bool present, const char* fallback) {
    if (present && next < labels.size()) return labels[next++];
    return std::string(fallback);
  };
  const std::string worksheets = heading(true, "Worksheets");
  const std::string charts = heading(titles.template_had_charts, "Charts");
  const std::string names = heading(true, "Named Ranges");

  std::string heads;
  std::size_t groups = 0;
  std::string parts;
  std::size_t count = 0;
  const auto group = [&](const std::string& title, const std::vector<std::string>& members) {
    if (members.empty()) return;
    heads += "<vt:variant><vt:lpstr>";
    AppendEscaped(heads, title);
    heads += "</vt:lpstr></vt:variant><vt:variant><vt:i4>" + std::to_string(members.size()) +
             "</vt:i4></vt:variant>";
    ++groups;
    for (const std::string& m : members) {
      parts += "<vt:lpstr>";
      AppendEscaped(parts, m);
      parts += "</vt:lpstr>";
      ++count;
    }
  };
  group(worksheets, titles.worksheets);
  group(charts, titles.charts);
  group(names, titles.names);
  const std::string new_pairs = "<HeadingPairs><vt:vector size=\"" + std::to_string(groups * 2) +
                                "\" baseType=\"variant\">" + heads + "</vt:vector></HeadingPairs>";
  const std::string new_titles = "<TitlesOfParts><vt:vector size=\"" + std::to_string(count) +
                                 "\" baseType=\"lpstr\">" + parts + "</vt:vector></TitlesOfParts>";
  // Spliced in, not replaced by regex_replace: a title may hold "$&".
  const auto splice = [](const std::string& in, const std::regex& element,
                         const std::string& with) {
    std::smatch m;
    if (!std::regex_search(in, m, element)) return in;
    return m.prefix().str() + with + m.suffix().str();
  };
  return splice(splice(xml, heading_pairs, new_pairs), titles_of_parts, new_titles);
}

}  // namespace quorlex::automation::spreadsheetml
