#include "automation/wordprocessor/documents.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "automation/word97/reader.h"
#include "automation/word97/word97_error.h"
#include "automation/wordml/reader.h"
#include "automation/wordml/wordml_error.h"
#include "automation/wordprocessor/document_state.h"
#include "automation/wordprocessor/selection.h"

namespace quorlex::automation::wordprocessor {
namespace {

// Word 2007 and later keep a document in a zip package; the name of the
// file does not say which kind it is, its first bytes do.
bool IsPackage(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  char signature[4] = {};
  file.read(signature, sizeof signature);
  return file.gcount() == sizeof signature && signature[0] == 'P' && signature[1] == 'K' &&
         signature[2] == 3 && signature[3] == 4;
}

std::unique_ptr<document::Document> ReadTemplate(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) Refuse("Шаблон " + path + " не найден");
  if (!S_ISREG(info.st_mode)) Refuse("Шаблон " + path + " не является файлом");
  try {
    if (IsPackage(path)) {
      return std::make_unique<document::Document>(wordml::ReadDocumentFile(path));
    }
    return std::make_unique<document::Document>(word97::ReadDocument(path));
  } catch (const word97::ReadError& e) {
    Refuse("Шаблон " + path + " " + e.Predicate());
  } catch (const wordml::ReadError& e) {
    Refuse("Шаблон " + path + " " + e.Predicate());
  } catch (const Error& e) {
    Refuse(e.Description());
  }
}

}  // namespace

Documents::Documents(wordprocessor::Selection& selection) : selection_(selection) {}

wordprocessor::Document& Documents::Add(const std::string& template_path) {
  auto state = std::make_shared<DocumentState>();
  state->model = ReadTemplate(template_path);
  auto document = std::unique_ptr<Document>(new Document(*this, selection_, state));
  Document& added = *document;
  all_.push_back(std::move(document));
  open_.push_back(&added);
  selection_.SetActive(state);
  return added;
}

wordprocessor::Document& Documents::Item(int index) {
  if (index < 1 || static_cast<std::size_t>(index) > open_.size()) {
    Refuse("Запрошенный элемент коллекции Documents не существует: " + std::to_string(index));
  }
  return *open_[static_cast<std::size_t>(index - 1)];
}

int Documents::Count() const { return static_cast<int>(open_.size()); }

void Documents::Remove(const Document* document) {
  open_.erase(std::remove(open_.begin(), open_.end(), document), open_.end());
}

}  // namespace quorlex::automation::wordprocessor
