#include "automation/compound/reader.h"

#include <algorithm>
#include <utility>

#include "automation/compound/gsf_library.h"
#include "automation/compound/read_error.h"

namespace quorlex::automation::compound {
namespace {

// Storages nest; a damaged directory could nest without end.
constexpr int kMaxDepth = 32;

// Limits that keep a damaged directory from costing more than the file is
// worth: every byte of a real compound file belongs to one stream at most.
struct Budget {
  gsf_off_t bytes_left;
  int entries_left = 100000;
};

[[noreturn]] void ThrowDamaged(const std::string& what) {
  throw ReadError(ReadFailure::kDamaged, what);
}

// What went wrong in our words, with libgsf's own (English) text after it.
std::string Message(const GErrorPtr& error, const char* what) {
  return error ? std::string(what) + " (" + error->message + ")" : std::string(what);
}

void ReadChildren(GsfInfile* storage, Entry& into, Budget& budget, int depth) {
  if (depth > kMaxDepth) ThrowDamaged("слишком глубокая вложенность хранилищ");
  const int count = gsf_infile_num_children(storage);
  for (int i = 0; i < count; ++i) {
    if (--budget.entries_left < 0) ThrowDamaged("слишком много элементов в каталоге файла");
    GPtr<GsfInput> child(gsf_infile_child_by_index(storage, i));
    if (!child) ThrowDamaged("элемент каталога файла не читается");
    Entry entry;
    const char* name = gsf_infile_name_by_index(storage, i);
    entry.name = name != nullptr ? name : "";
    if (GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0) {
      entry.is_storage = true;
      if (GSF_IS_INFILE_MSOLE(child.get())) {
        gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(child.get()), entry.class_id.data());
      }
      ReadChildren(GSF_INFILE(child.get()), entry, budget, depth + 1);
    } else {
      const gsf_off_t size = gsf_input_size(child.get());
      if (size < 0 || size > budget.bytes_left) ThrowDamaged("поток длиннее самого файла");
      budget.bytes_left -= size;
      entry.data.resize(static_cast<std::size_t>(size));
      if (size > 0 && gsf_input_read(child.get(), static_cast<std::size_t>(size),
                                     reinterpret_cast<guint8*>(entry.data.data())) == nullptr) {
        ThrowDamaged("поток «" + entry.name + "» не читается");
      }
    }
    into.children.push_back(std::move(entry));
  }
}

Entry ReadFrom(GsfInput* input) {
  GError* raw_error = nullptr;
  GPtr<GsfInfile> ole(gsf_infile_msole_new(input, &raw_error));
  const GErrorPtr error(raw_error);
  if (!ole) throw ReadError(ReadFailure::kNotCompound, Message(error, "заголовок не читается"));
  Entry root;
  root.is_storage = true;
  gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(ole.get()), root.class_id.data());
  Budget budget{2 * gsf_input_size(input) + 65536};
  ReadChildren(ole.get(), root, budget, 0);
  return root;
}

}  // namespace

bool IsCompoundFile(std::span<const std::uint8_t> bytes) {
  static constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  return bytes.size() >= std::size(kSignature) &&
         std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin());
}

Entry ReadCompoundFile(const std::string& path) {
  EnsureGsf();
  GError* raw_error = nullptr;
  GPtr<GsfInput> input(gsf_input_stdio_new(path.c_str(), &raw_error));
  const GErrorPtr error(raw_error);
  if (!input) throw ReadError(ReadFailure::kUnreadable, Message(error, "файл не открывается"));
  return ReadFrom(input.get());
}

Entry ReadCompoundBytes(std::string_view bytes) {
  EnsureGsf();
  GPtr<GsfInput> input(gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.data()),
                                            static_cast<gsf_off_t>(bytes.size()), FALSE));
  if (!input) throw ReadError(ReadFailure::kNotCompound, "неизвестная ошибка");
  return ReadFrom(input.get());
}

}  // namespace quorlex::automation::compound
