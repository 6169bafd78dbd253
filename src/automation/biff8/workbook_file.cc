#include "automation/biff8/workbook_file.h"

#include <map>
#include <string_view>
#include <utility>

#include "platform/text.h"

namespace quorlex::automation::biff8 {

namespace {

using automation::compound::Entry;

constexpr std::string_view kWorkbookStream = "Workbook";
constexpr std::string_view kBookStream =
    "Book";  // Excel 5/95's name, which some BIFF8 writers use too

bool IsStreamNamed(const Entry& entry, std::string_view name) {
  return !entry.is_storage && platform::EqualsIgnoringAsciiCase(entry.name, name);
}

// A BOF record of BIFF8 (record 0x0809, version 0x0600) at the start.
bool StartsWithBiff8Bof(std::string_view stream) {
  const auto byte = [&](std::size_t at) { return static_cast<std::uint8_t>(stream[at]); };
  return stream.size() >= 8 && byte(0) == 0x09 && byte(1) == 0x08 && byte(4) == 0x00 &&
         byte(5) == 0x06;
}

void Flatten(Entry& storage, const std::string& prefix, std::vector<workbook::StoredStream>& out) {
  for (Entry& child : storage.children) {
    workbook::StoredStream stored;
    stored.path = prefix.empty() ? child.name : prefix + "/" + child.name;
    stored.is_storage = child.is_storage;
    if (child.is_storage) {
      stored.clsid = child.class_id;
      out.push_back(stored);
      Flatten(child, stored.path, out);
    } else {
      stored.data.assign(child.data.begin(), child.data.end());
      out.push_back(std::move(stored));
    }
  }
}

}  // namespace

WorkbookFile SplitWorkbookFile(Entry root) {
  WorkbookFile file;
  file.root_clsid = root.class_id;
  Entry* workbook = nullptr;
  Entry* book = nullptr;
  for (Entry& child : root.children) {
    if (child.is_storage) continue;
    if (workbook == nullptr && IsStreamNamed(child, kWorkbookStream)) workbook = &child;
    if (book == nullptr && IsStreamNamed(child, kBookStream)) book = &child;
  }
  if (workbook == nullptr && book != nullptr && StartsWithBiff8Bof(book->data))
    std::swap(workbook, book);
  if (workbook != nullptr) file.workbook = std::move(workbook->data);
  file.has_biff5_book = workbook == nullptr && book != nullptr;
  std::erase_if(root.children, [](const Entry& child) {
    return IsStreamNamed(child, kWorkbookStream) || IsStreamNamed(child, kBookStream);
  });
  Flatten(root, "", file.others);
  return file;
}

Entry JoinWorkbookFile(std::span<const std::uint8_t> workbook,
                       const std::vector<workbook::StoredStream>& others,
                       const std::array<std::uint8_t, 16>& root_clsid) {
  Entry root = Entry::Storage("", root_clsid);
  root.children.push_back(
      Entry::Stream(std::string(kWorkbookStream), std::string(workbook.begin(), workbook.end())));
  // Where each storage listed so far stands: the child indexes from the
  // root down (addresses would not last as the tree grows).
  std::map<std::string, std::vector<std::size_t>> storages;
  for (const workbook::StoredStream& stored : others) {
    std::string name = stored.path;
    Entry* parent = &root;
    std::vector<std::size_t> place;
    if (const std::size_t slash = stored.path.rfind('/'); slash != std::string::npos) {
      const auto found = storages.find(stored.path.substr(0, slash));
      if (found == storages.end()) continue;
      name = stored.path.substr(slash + 1);
      place = found->second;
      for (std::size_t index : place)
        parent = &parent->children[index];
    }
    if (stored.is_storage) {
      place.push_back(parent->children.size());
      storages[stored.path] = std::move(place);
      parent->children.push_back(Entry::Storage(std::move(name), stored.clsid));
    } else {
      parent->children.push_back(
          Entry::Stream(std::move(name), std::string(stored.data.begin(), stored.data.end())));
    }
  }
  return root;
}

}  // namespace quorlex::automation::biff8
