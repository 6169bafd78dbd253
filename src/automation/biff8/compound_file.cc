#include "automation/biff8/compound_file.h"

#include <gsf/gsf.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "platform/error.h"

namespace quorlex::biff8 {

namespace {

struct GObjectUnref {
  void operator()(void* p) const {
    if (p != nullptr) g_object_unref(p);
  }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct GErrorFree {
  void operator()(GError* e) const {
    if (e != nullptr) g_error_free(e);
  }
};

void EnsureInit() {
  static bool done = [] {
    gsf_init();
    // A damaged template is reported through our own error; the library's
    // warnings about it would only clutter standard error.
    g_log_set_handler("libgsf:msole", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                      [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    return true;
  }();
  (void)done;
}

// Compound files nest storages; a damaged one could nest without end.
constexpr int kMaxDepth = 16;
constexpr std::size_t kMaxEntries = 4096;

void ReadStorage(GsfInfile* dir, const std::string& prefix, int depth, CompoundContents& out) {
  int n = gsf_infile_num_children(dir);
  for (int i = 0; i < n; ++i) {
    if (out.others.size() > kMaxEntries) throw Error(errors::kFormat, "Too many streams in the compound file");
    const char* raw_name = gsf_infile_name_by_index(dir, i);
    std::string name = raw_name != nullptr ? raw_name : "";
    GPtr<GsfInput> child(gsf_infile_child_by_index(dir, i));
    if (!child) continue;
    auto* child_dir = reinterpret_cast<GsfInfile*>(child.get());
    int grandchildren = gsf_infile_num_children(child_dir);
    std::string path = prefix.empty() ? name : prefix + "/" + name;
    if (grandchildren >= 0) {
      workbook::StoredStream storage;
      storage.path = path;
      storage.is_storage = true;
      gsf_infile_msole_get_class_id(reinterpret_cast<GsfInfileMSOle*>(child_dir), storage.clsid.data());
      out.others.push_back(std::move(storage));
      if (depth < kMaxDepth) ReadStorage(child_dir, path, depth + 1, out);
      continue;
    }
    gsf_off_t size = gsf_input_size(child.get());
    if (size < 0) throw Error(errors::kFormat, "Unreadable stream in the compound file");
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    if (size > 0 && gsf_input_read(child.get(), static_cast<std::size_t>(size), data.data()) == nullptr) {
      throw Error(errors::kFormat, "Unreadable stream " + name + " in the compound file");
    }
    if (depth == 0 && name == "Workbook") {
      out.workbook = std::move(data);
    } else if (depth == 0 && name == "Book") {
      out.has_biff5_book = true;
    } else {
      workbook::StoredStream stream;
      stream.path = path;
      stream.data = std::move(data);
      out.others.push_back(std::move(stream));
    }
  }
}

}  // namespace

bool IsCompoundFile(std::span<const std::uint8_t> bytes) {
  static const std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

CompoundContents ReadCompound(std::span<const std::uint8_t> bytes) {
  EnsureInit();
  GPtr<GsfInput> input(gsf_input_memory_new(bytes.data(), static_cast<gsf_off_t>(bytes.size()), FALSE));
  if (!input) throw Error(errors::kFormat, "Cannot open the compound file");
  GError* raw_error = nullptr;
  GPtr<GsfInfile> root(gsf_infile_msole_new(input.get(), &raw_error));
  std::unique_ptr<GError, GErrorFree> error(raw_error);
  if (!root) {
    throw Error(errors::kFormat, std::string("Damaged compound file: ") + (error ? error->message : "unknown error"));
  }
  CompoundContents out;
  gsf_infile_msole_get_class_id(reinterpret_cast<GsfInfileMSOle*>(root.get()), out.root_clsid.data());
  ReadStorage(root.get(), "", 0, out);
  return out;
}

void WriteCompound(const std::string& path, const std::vector<std::uint8_t>& workbook,
                   const std::vector<workbook::StoredStream>& others, const std::array<std::uint8_t, 16>& root_clsid) {
  EnsureInit();
  GError* raw_error = nullptr;
  GPtr<GsfOutput> sink(gsf_output_stdio_new(path.c_str(), &raw_error));
  std::unique_ptr<GError, GErrorFree> error(raw_error);
  if (!sink) {
    throw Error(errors::kFile, "Не удалось создать файл " + path + ": " + (error ? error->message : ""));
  }
  GPtr<GsfOutfile> root(gsf_outfile_msole_new(sink.get()));
  if (!root) throw Error(errors::kFile, "Не удалось создать файл " + path);
  gsf_outfile_msole_set_class_id(reinterpret_cast<GsfOutfileMSOle*>(root.get()), root_clsid.data());
  bool ok = true;
  auto write_stream = [&](GsfOutfile* dir, const std::string& name, const std::vector<std::uint8_t>& data) {
    GPtr<GsfOutput> child(gsf_outfile_new_child(dir, name.c_str(), FALSE));
    if (!child) {
      ok = false;
      return;
    }
    if (!data.empty() && !gsf_output_write(child.get(), data.size(), data.data())) ok = false;
    if (!gsf_output_close(child.get())) ok = false;
  };
  write_stream(root.get(), "Workbook", workbook);
  std::map<std::string, GPtr<GsfOutfile>> storages;
  std::vector<std::string> open_order;
  for (const workbook::StoredStream& s : others) {
    std::string parent_path;
    std::string name = s.path;
    std::size_t slash = s.path.rfind('/');
    if (slash != std::string::npos) {
      parent_path = s.path.substr(0, slash);
      name = s.path.substr(slash + 1);
    }
    GsfOutfile* parent = root.get();
    if (!parent_path.empty()) {
      auto it = storages.find(parent_path);
      if (it == storages.end()) continue;  // its storage was not listed: drop it
      parent = it->second.get();
    }
    if (s.is_storage) {
      GPtr<GsfOutfile> dir(reinterpret_cast<GsfOutfile*>(gsf_outfile_new_child(parent, name.c_str(), TRUE)));
      if (!dir) {
        ok = false;
        continue;
      }
      gsf_outfile_msole_set_class_id(reinterpret_cast<GsfOutfileMSOle*>(dir.get()), s.clsid.data());
      storages[s.path] = std::move(dir);
      open_order.push_back(s.path);
    } else {
      write_stream(parent, name, s.data);
    }
  }
  // Storages close innermost first.
  for (auto it = open_order.rbegin(); it != open_order.rend(); ++it) {
    if (!gsf_output_close(reinterpret_cast<GsfOutput*>(storages[*it].get()))) ok = false;
  }
  storages.clear();
  if (!gsf_output_close(reinterpret_cast<GsfOutput*>(root.get()))) ok = false;
  root.reset();
  if (!gsf_output_is_closed(sink.get()) && !gsf_output_close(sink.get())) ok = false;
  if (!ok) throw Error(errors::kFile, "Не удалось записать файл " + path);
}

}  // namespace quorlex::biff8
