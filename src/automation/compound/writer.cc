#include "automation/compound/writer.h"

#include "automation/compound/gsf_library.h"
#include "automation/compound/replacing_file.h"
#include "platform/error.h"

namespace quorlex::automation::compound {
namespace {

void WriteChildren(GsfOutfile* storage, const Entry& entry) {
  for (const Entry& child : entry.children) {
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
    if (!gsf_output_close(out.get()))
      throw Error(errors::kFile, "Не удалось записать поток «" + child.name + "»");
  }
}

void WriteTo(GsfOutput* sink, const Entry& root) {
  GPtr<GsfOutfile> ole(gsf_outfile_msole_new(sink));
  if (!ole) throw Error(errors::kFile, "Не удалось создать составной файл");
  gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(ole.get()), root.class_id.data());
  WriteChildren(ole.get(), root);
  if (!gsf_output_close(GSF_OUTPUT(ole.get())))
    throw Error(errors::kFile, "Не удалось записать составной файл");
}

}  // namespace

std::string WriteCompoundBytes(const Entry& root) {
  EnsureGsf();
  GPtr<GsfOutput> sink(gsf_output_memory_new());
  WriteTo(sink.get(), root);
  const auto size = static_cast<std::size_t>(gsf_output_size(sink.get()));
  const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
  return std::string(reinterpret_cast<const char*>(bytes), size);
}

void WriteCompoundFile(const Entry& root, const std::string& path) {
  EnsureGsf();
  ReplacingFile file(path);
  try {
    GPtr<GsfOutput> sink(gsf_output_stdio_new_FILE(path.c_str(), file.Stream(), TRUE));
    if (!sink) throw Error(errors::kFile, "Не удалось создать составной файл");
    WriteTo(sink.get(), root);
    // Closing the compound file may have closed its sink already.
    if (!gsf_output_is_closed(sink.get()) && !gsf_output_close(sink.get())) {
      throw Error(errors::kFile, "Не удалось записать составной файл");
    }
  } catch (const Error& e) {
    file.Fail(e.Description());
  }
  file.Commit();
}

}  // namespace quorlex::automation::compound
