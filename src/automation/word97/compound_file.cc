#include "automation/word97/compound_file.h"

#include <gsf/gsf.h>

#include <memory>

#include "automation/word97/word97_error.h"
#include "platform/error.h"

namespace quorlex::automation::word97 {
namespace {

struct GObjectUnref {
  void operator()(gpointer object) const {
    if (object != nullptr) g_object_unref(object);
  }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct ErrorFree {
  void operator()(GError* e) const {
    if (e != nullptr) g_error_free(e);
  }
};

void InitGsf() {
  static const bool initialized = [] {
    gsf_init();
    return true;
  }();
  (void)initialized;
}

// Limits that keep a damaged directory from costing more than the file is
// worth: every byte of a real compound file belongs to one stream at most.
struct Budget {
  gsf_off_t bytes_left;
  int entries_left = 100000;
};

void ReadChildren(GsfInfile* storage, StorageEntry& into, Budget& budget, int depth) {
  if (depth > 32) ThrowDamaged("слишком глубокая вложенность хранилищ");
  const int count = gsf_infile_num_children(storage);
  for (int i = 0; i < count; ++i) {
    if (--budget.entries_left < 0) ThrowDamaged("слишком много элементов в каталоге файла");
    GPtr<GsfInput> child(gsf_infile_child_by_index(storage, i));
    if (!child) ThrowDamaged("элемент каталога файла не читается");
    StorageEntry entry;
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
      if (size > 0 &&
          gsf_input_read(child.get(), static_cast<std::size_t>(size),
                         reinterpret_cast<guint8*>(entry.data.data())) == nullptr) {
        ThrowDamaged("поток «" + entry.name + "» не читается");
      }
    }
    into.children.push_back(std::move(entry));
  }
}

StorageEntry ReadFrom(GsfInput* input) {
  GError* raw_error = nullptr;
  GPtr<GsfInfile> ole(gsf_infile_msole_new(input, &raw_error));
  std::unique_ptr<GError, ErrorFree> error(raw_error);
  if (!ole) {
    throw ReadError(ReadFailure::kNotWord, "не является документом Word 97-2003");
  }
  StorageEntry root;
  root.is_storage = true;
  gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(ole.get()), root.class_id.data());
  Budget budget{2 * gsf_input_size(input) + 65536};
  ReadChildren(ole.get(), root, budget, 0);
  return root;
}

void WriteChildren(GsfOutfile* storage, const StorageEntry& entry) {
  for (const StorageEntry& child : entry.children) {
    GPtr<GsfOutput> out(gsf_outfile_new_child(storage, child.name.c_str(), child.is_storage));
    if (!out) throw Error(errors::kFile, "Не удалось создать поток «" + child.name + "»");
    if (child.is_storage) {
      gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(out.get()), child.class_id.data());
      WriteChildren(GSF_OUTFILE(out.get()), child);
    } else if (!child.data.empty() &&
               !gsf_output_write(out.get(), child.data.size(),
                                 reinterpret_cast<const guint8*>(child.data.data()))) {
      throw Error(errors::kFile, "Не удалось записать поток «" + child.name + "»");
    }
    gsf_output_close(out.get());
  }
}

}  // namespace

const StorageEntry* StorageEntry::Find(std::string_view child) const {
  for (const StorageEntry& c : children) {
    if (c.name == child) return &c;
  }
  return nullptr;
}

StorageEntry* StorageEntry::Find(std::string_view child) {
  for (StorageEntry& c : children) {
    if (c.name == child) return &c;
  }
  return nullptr;
}

void StorageEntry::Remove(std::string_view child) {
  std::erase_if(children, [&](const StorageEntry& c) { return c.name == child; });
}

StorageEntry ReadCompoundFile(const std::string& path) {
  InitGsf();
  GError* raw_error = nullptr;
  GPtr<GsfInput> input(gsf_input_stdio_new(path.c_str(), &raw_error));
  std::unique_ptr<GError, ErrorFree> error(raw_error);
  if (!input) {
    throw ReadError(ReadFailure::kUnreadable,
                    std::string("не читается: ") + (error ? error->message : "ошибка чтения"));
  }
  return ReadFrom(input.get());
}

StorageEntry ReadCompoundBytes(std::string_view bytes) {
  InitGsf();
  GPtr<GsfInput> input(gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.data()),
                                            static_cast<gsf_off_t>(bytes.size()), FALSE));
  if (!input) throw ReadError(ReadFailure::kNotWord, "не является документом Word 97-2003");
  return ReadFrom(input.get());
}

std::string WriteCompoundBytes(const StorageEntry& root) {
  InitGsf();
  GPtr<GsfOutput> sink(gsf_output_memory_new());
  GPtr<GsfOutfile> ole(gsf_outfile_msole_new(sink.get()));
  if (!ole) throw Error(errors::kFile, "Не удалось создать составной файл");
  gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(ole.get()), root.class_id.data());
  WriteChildren(ole.get(), root);
  if (!gsf_output_close(GSF_OUTPUT(ole.get()))) {
    throw Error(errors::kFile, "Не удалось записать составной файл");
  }
  const auto size = static_cast<std::size_t>(gsf_output_size(sink.get()));
  const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
  return std::string(reinterpret_cast<const char*>(bytes), size);
}

}  // namespace quorlex::automation::word97
