#include "shell/usage.h"

#include "platform/text.h"

namespace quorlex::shell {
namespace {

std::size_t Distance(std::size_t a, std::size_t b) { return a > b ? a - b : b - a; }

}  // namespace

std::string VersionText() {
  return "версия " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) +
         std::to_string(kVersionRevision);
}

std::string UsageText(const std::string& program_file_name) {
  const std::string t = kProductTitle;
  const std::string v = VersionText();
  const std::string c = kCopyright;
  const std::string k =
      "Командная строка: " + program_file_name + " [xml-файл] /f:{xls|doc} [/v:{y|n}]";
  const std::size_t lt = platform::Length(t);
  const long lv = static_cast<long>(lt) - static_cast<long>(platform::Length(v)) - 10;
  const std::string crlf = "\r\n";
  std::string usage = crlf + t + crlf + crlf;
  usage += platform::Spaces(static_cast<std::size_t>(lv < 0 ? -lv : lv)) + v + crlf + crlf;
  usage += platform::Spaces(Distance(lt, platform::Length(c))) + c + crlf + crlf;
  usage += platform::Spaces(Distance(lt, platform::Length(k))) + k;
  return usage;
}

std::string FormatsText() {
  return "Форматы /f: xls, doc (Excel и Word 97-2003, шаблоны <КОД>.xlt и <КОД>.doc); "
         "xlsx, docx (Excel и Word 2007 и новее, шаблоны <КОД>.xltx и <КОД>.dotx)";
}

}  // namespace quorlex::shell
