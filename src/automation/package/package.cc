#include "automation/package/package.h"

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <list>

#include "automation/package/names.h"
#include "platform/error.h"
#include "platform/replacing_file.h"

namespace quorlex::automation::package {
namespace {

constexpr char kContentTypesEntry[] = "[Content_Types].xml";
// 1 January 1980, the earliest date a zip entry can carry; Office stamps
// its entries so, and a fixed date makes equal packages equal files.
constexpr zip_uint16_t kEntryDate = (1 << 5) | 1;
constexpr zip_uint16_t kEntryTime = 0;

std::string ZipMessage(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string message = zip_error_strerror(&error);
  zip_error_fini(&error);
  return message;
}

[[noreturn]] void NotAPackage(const std::string& name) {
  throw Error(errors::kFormat, "Файл " + name + " не является пакетом Office Open XML");
}

[[noreturn]] void Damaged(const std::string& name, const std::string& what) {
  throw Error(errors::kFormat, "Пакет Office Open XML " + name + " поврежден: " + what);
}

[[noreturn]] void OverLimit(const std::string& name, const std::string& what) {
  throw Error(errors::kFormat,
              "Пакет Office Open XML " + name + " превышает допустимые размеры: " + what);
}

// Closes an archive that was only read, or one whose write failed.
struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ArchivePtr = std::unique_ptr<zip_t, ArchiveCloser>;

struct ZipFileCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};

std::string ReadEntry(zip_t* archive, zip_uint64_t index, zip_uint64_t size,
                      const std::string& name, const std::string& entry) {
  std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(archive, index, 0));
  if (!file) Damaged(name, "часть " + entry + " не читается (" + zip_strerror(archive) + ")");
  std::string bytes(static_cast<std::size_t>(size), '\0');
  std::size_t have = 0;
  while (have < bytes.size()) {
    const zip_int64_t got = zip_fread(file.get(), bytes.data() + have, bytes.size() - have);
    if (got < 0) {
      Damaged(name, "часть " + entry + " не читается (" + zip_file_strerror(file.get()) + ")");
    }
    if (got == 0) break;
    have += static_cast<std::size_t>(got);
  }
  // The data must end where the directory says it does: one byte more is a lie.
  char extra = 0;
  const zip_int64_t more = zip_fread(file.get(), &extra, 1);
  if (have != bytes.size() || more != 0) {
    Damaged(name, "размер части " + entry + " не совпадает с указанным в оглавлении");
  }
  return bytes;
}

// The output of a save: a file being written (the temporary one), as a
// libzip source that libzip writes the archive through.
struct FileTarget {
  std::FILE* file = nullptr;
  zip_error_t error{};
};

zip_int64_t FileTargetCallback(void* user, void* data, zip_uint64_t length,
                               zip_source_cmd_t command) {
  auto* target = static_cast<FileTarget*>(user);
  switch (command) {
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(
          ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR,
          ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL, ZIP_SOURCE_SUPPORTS,
          ZIP_SOURCE_BEGIN_WRITE, ZIP_SOURCE_COMMIT_WRITE, ZIP_SOURCE_ROLLBACK_WRITE,
          ZIP_SOURCE_WRITE, ZIP_SOURCE_SEEK_WRITE, ZIP_SOURCE_TELL_WRITE, ZIP_SOURCE_REMOVE, -1);
    case ZIP_SOURCE_STAT: {
      auto* st = static_cast<zip_stat_t*>(data);
      zip_stat_init(st);
      st->size = 0;  // a new, empty archive
      st->valid |= ZIP_STAT_SIZE;
      return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_OPEN:
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_READ:
    case ZIP_SOURCE_SEEK:
    case ZIP_SOURCE_TELL:
    case ZIP_SOURCE_BEGIN_WRITE:
    case ZIP_SOURCE_ROLLBACK_WRITE:
    case ZIP_SOURCE_REMOVE:
    case ZIP_SOURCE_FREE: return 0;
    case ZIP_SOURCE_WRITE:
      if (std::fwrite(data, 1, length, target->file) != length) {
        zip_error_set(&target->error, ZIP_ER_WRITE, errno);
        return -1;
      }
      return static_cast<zip_int64_t>(length);
    case ZIP_SOURCE_SEEK_WRITE: {
      auto* args = ZIP_SOURCE_GET_ARGS(zip_source_args_seek_t, data, length, &target->error);
      if (args == nullptr) return -1;
      if (::fseeko(target->file, static_cast<off_t>(args->offset), args->whence) != 0) {
        zip_error_set(&target->error, ZIP_ER_SEEK, errno);
        return -1;
      }
      return 0;
    }
    case ZIP_SOURCE_TELL_WRITE: {
      const off_t at = ::ftello(target->file);
      if (at < 0) {
        zip_error_set(&target->error, ZIP_ER_TELL, errno);
        return -1;
      }
      return at;
    }
    case ZIP_SOURCE_COMMIT_WRITE:
      if (std::fflush(target->file) != 0) {
        zip_error_set(&target->error, ZIP_ER_WRITE, errno);
        return -1;
      }
      return 0;
    case ZIP_SOURCE_ERROR: return zip_error_to_data(&target->error, data, length);
    default: zip_error_set(&target->error, ZIP_ER_OPNOTSUPP, 0); return -1;
  }
}

constexpr zip_uint64_t kNominalSize = 1 << 20;
constexpr std::uint64_t kMaxStreamedBytes = 0xFFFFFFFFull;

// A part produced while the archive is written; owned by the save.
struct Streamed {
  std::shared_ptr<PartProducer> producer;
  std::string pending;
  std::size_t offset = 0;
  bool done = false;
  std::uint64_t total = 0;
  std::exception_ptr failure;
  zip_error_t error{};
};

zip_int64_t StreamedCallback(void* user, void* data, zip_uint64_t length,
                             zip_source_cmd_t command) {
  auto* part = static_cast<Streamed*>(user);
  try {
    switch (command) {
      case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_SUPPORTS, -1);
      case ZIP_SOURCE_OPEN:
        part->producer->Start();
        part->pending.clear();
        part->offset = 0;
        part->done = false;
        part->total = 0;
        return 0;
      case ZIP_SOURCE_READ: {
        auto* out = static_cast<char*>(data);
        std::size_t given = 0;
        while (given < length) {
          if (part->offset == part->pending.size()) {
            part->pending.clear();
            part->offset = 0;
            if (part->done) break;
            if (!part->producer->Next(part->pending)) part->done = true;
            continue;
          }
          const std::size_t n =
              std::min<std::size_t>(length - given, part->pending.size() - part->offset);
          part->total += n;
          if (part->total > kMaxStreamedBytes) {
            throw Error(errors::kFile, "Часть пакета больше 4 ГБ");
          }
          std::copy_n(part->pending.data() + part->offset, n, out + given);
          part->offset += n;
          given += n;
        }
        return static_cast<zip_int64_t>(given);
      }
      case ZIP_SOURCE_CLOSE:
        std::string().swap(part->pending);
        part->offset = 0;
        return 0;
      case ZIP_SOURCE_STAT: {
        // The size is not known before the part has been produced. Without
        // one libzip prepares Zip64 records for the entry, which old readers
        // trip on; a part is never near 4 GB (READ refuses that), so a
        // nominal size keeps the entry plain. The real sizes are written
        // once the data is through.
        auto* st = static_cast<zip_stat_t*>(data);
        zip_stat_init(st);
        if (const auto deflated = part->producer->AlreadyDeflated()) {
          // libzip copies deflated data it has the sizes and checksum of.
          st->size = deflated->size;
          st->comp_size = deflated->compressed_size;
          st->crc = deflated->crc32;
          st->comp_method = ZIP_CM_DEFLATE;
          st->valid |= ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD;
          return sizeof(zip_stat_t);
        }
        st->size = kNominalSize;
        st->valid |= ZIP_STAT_SIZE;
        return sizeof(zip_stat_t);
      }
      case ZIP_SOURCE_FREE: return 0;
      case ZIP_SOURCE_ERROR: return zip_error_to_data(&part->error, data, length);
      default: zip_error_set(&part->error, ZIP_ER_OPNOTSUPP, 0); return -1;
    }
  } catch (...) {
    part->failure = std::current_exception();
    zip_error_set(&part->error, ZIP_ER_INTERNAL, 0);
    return -1;
  }
}

}  // namespace

Package::Package() = default;
Package::~Package() = default;
Package::Package(Package&&) noexcept = default;
Package& Package::operator=(Package&&) noexcept = default;

Package Package::Open(const std::string& path, const Limits& limits) {
  int code = 0;
  ArchivePtr archive(zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
  if (!archive) {
    if (code == ZIP_ER_NOENT || code == ZIP_ER_OPEN || code == ZIP_ER_READ) {
      throw Error(errors::kFile, "Не удалось прочитать файл " + path + ": " + ZipMessage(code));
    }
    if (code == ZIP_ER_MEMORY) throw std::bad_alloc();
    NotAPackage(path);
  }
  Package package;
  package.Load(archive.get(), path, limits);
  return package;
}

Package Package::FromBytes(std::string_view bytes, const std::string& name, const Limits& limits) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  if (source == nullptr) throw std::bad_alloc();
  ArchivePtr archive(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
  zip_error_fini(&error);
  if (!archive) {
    zip_source_free(source);
    NotAPackage(name);
  }
  Package package;
  package.Load(archive.get(), name, limits);
  return package;
}

void Package::Load(zip_t* archive, const std::string& name, const Limits& limits) {
  const zip_int64_t count = zip_get_num_entries(archive, 0);
  if (count < 0) NotAPackage(name);
  if (static_cast<std::uint64_t>(count) > limits.max_entries) {
    OverLimit(name, "больше " + std::to_string(limits.max_entries) + " частей");
  }
  bool has_types = false;
  std::uint64_t total = 0;
  std::vector<std::pair<std::string, std::string>> rels_parts;
  for (zip_uint64_t i = 0; i < static_cast<zip_uint64_t>(count); ++i) {
    zip_stat_t st;
    if (zip_stat_index(archive, i, 0, &st) != 0 || (st.valid & ZIP_STAT_NAME) == 0 ||
        (st.valid & ZIP_STAT_SIZE) == 0 || (st.valid & ZIP_STAT_COMP_SIZE) == 0) {
      Damaged(name, "оглавление не читается");
    }
    const std::string entry = st.name;
    if (entry.empty() || entry.back() == '/') continue;  // a folder entry
    if (entry.size() > limits.max_name_bytes) OverLimit(name, "слишком длинное имя части");
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && st.encryption_method != ZIP_EM_NONE) {
      Damaged(name, "часть " + entry + " зашифрована");
    }
    if ((st.valid & ZIP_STAT_COMP_METHOD) != 0 &&
        !zip_compression_method_supported(static_cast<zip_int32_t>(st.comp_method), 0)) {
      Damaged(name, "часть " + entry + " сжата неизвестным способом");
    }
    if (st.size > limits.max_part_bytes) {
      OverLimit(name, "часть " + entry + " больше " + std::to_string(limits.max_part_bytes >> 20) +
                          " МБ");
    }
    total += st.size;
    if (total > limits.max_total_bytes) {
      OverLimit(name,
                "частей больше чем на " + std::to_string(limits.max_total_bytes >> 20) + " МБ");
    }
    if (st.size > limits.ratio_grace_bytes &&
        (st.comp_size == 0 || st.size / st.comp_size > limits.max_ratio)) {
      OverLimit(name, "часть " + entry + " сжата более чем в " + std::to_string(limits.max_ratio) +
                          " раз");
    }
    std::string bytes = ReadEntry(archive, i, st.size, name, entry);
    const std::string part_name = "/" + entry;
    if (PartKey(entry) == PartKey(kContentTypesEntry)) {
      if (has_types) Damaged(name, "два списка типов содержимого");
      has_types = true;
      types_ = ContentTypes::Parse(bytes);
      continue;
    }
    if (!SourceOfRelationshipsPart(part_name).empty()) {
      rels_parts.emplace_back(part_name, std::move(bytes));
      continue;
    }
    if (FindPart(part_name) != nullptr) Damaged(name, "две части с именем " + part_name);
    index_[PartKey(part_name)] = parts_.size();
    parts_.push_back({part_name, std::move(bytes), nullptr});
  }
  if (!has_types) NotAPackage(name);
  for (auto& [part_name, bytes] : rels_parts) {
    const std::string source = SourceOfRelationshipsPart(part_name);
    const std::string key = PartKey(source);
    if (rels_.contains(key)) Damaged(name, "две части связей " + part_name);
    rels_.emplace(key, std::make_pair(source, Relationships::Parse(bytes, part_name)));
  }
}

std::vector<std::string> Package::PartNames() const {
  std::vector<std::string> names;
  names.reserve(parts_.size());
  for (const Part& p : parts_)
    names.push_back(p.name);
  return names;
}

Package::Part* Package::FindPart(std::string_view part_name) {
  auto found = index_.find(PartKey(part_name));
  return found == index_.end() ? nullptr : &parts_[found->second];
}

const Package::Part* Package::FindPart(std::string_view part_name) const {
  auto found = index_.find(PartKey(part_name));
  return found == index_.end() ? nullptr : &parts_[found->second];
}

bool Package::Has(std::string_view part_name) const { return FindPart(part_name) != nullptr; }

const std::string& Package::Read(std::string_view part_name) const {
  const Part* part = FindPart(part_name);
  if (part == nullptr) {
    throw Error(errors::kFormat, "В пакете нет части " + std::string(part_name));
  }
  if (part->producer) {
    throw Error(errors::kFormat, "Часть " + std::string(part_name) + " создается при сохранении");
  }
  return part->bytes;
}

Package::Part& Package::Put(std::string_view part_name, std::string bytes,
                            std::string_view content_type) {
  Part* part = FindPart(part_name);
  if (part == nullptr) {
    index_[PartKey(part_name)] = parts_.size();
    part = &parts_.emplace_back();
    part->name = part_name;
  }
  part->bytes = std::move(bytes);
  part->producer.reset();
  if (!content_type.empty()) SetContentType(part_name, content_type);
  return *part;
}

void Package::Write(std::string_view part_name, std::string bytes, std::string_view content_type) {
  Put(part_name, std::move(bytes), content_type);
}

void Package::WriteStreamed(std::string_view part_name, std::string_view content_type,
                            std::shared_ptr<PartProducer> producer) {
  Put(part_name, {}, content_type).producer = std::move(producer);
}

void Package::Remove(std::string_view part_name) {
  const std::string key = PartKey(part_name);
  auto found = index_.find(key);
  if (found != index_.end()) {
    parts_.erase(parts_.begin() + static_cast<std::ptrdiff_t>(found->second));
    index_.clear();
    for (std::size_t i = 0; i < parts_.size(); ++i)
      index_[PartKey(parts_[i].name)] = i;
  }
  types_.RemoveOverride(part_name);
  rels_.erase(key);
}

std::string Package::FreeName(std::string_view pattern) const {
  const std::size_t hash = pattern.find('#');
  for (std::size_t n = 1;; ++n) {
    std::string candidate(pattern);
    if (hash != std::string_view::npos) candidate.replace(hash, 1, std::to_string(n));
    if (!Has(candidate) && !rels_.contains(PartKey(candidate))) return candidate;
    if (hash == std::string_view::npos) return candidate;
  }
}

void Package::SetContentType(std::string_view part_name, std::string_view type) {
  const std::string extension = ExtensionOf(part_name);
  auto by_default = types_.Defaults().find(extension);
  if (by_default != types_.Defaults().end() && by_default->second == type) {
    types_.RemoveOverride(part_name);
  } else {
    types_.SetOverride(part_name, type);
  }
}

Relationships& Package::RelationshipsOf(std::string_view source) {
  const std::string key = PartKey(source.empty() ? "/" : source);
  auto found = rels_.find(key);
  if (found == rels_.end()) {
    found = rels_
                .emplace(key, std::make_pair(std::string(source.empty() ? "/" : source),
                                             Relationships()))
                .first;
  }
  return found->second.second;
}

const Relationships* Package::FindRelationships(std::string_view source) const {
  auto found = rels_.find(PartKey(source.empty() ? "/" : source));
  return found == rels_.end() ? nullptr : &found->second.second;
}

std::string Package::MainPart() const {
  const Relationships* rels = FindRelationships("/");
  const Relationship* main =
      rels == nullptr ? nullptr : rels->FirstOfType(relationship::kOfficeDocument);
  if (main == nullptr || main->external) {
    throw Error(errors::kFormat, "В пакете не указана главная часть (связь officeDocument)");
  }
  return ResolveTarget("/", main->target);
}

std::vector<std::string> Package::Targets(std::string_view source, std::string_view type) const {
  std::vector<std::string> out;
  const Relationships* rels = FindRelationships(source);
  if (rels == nullptr) return out;
  for (const Relationship& r : rels->All()) {
    if (r.type == type && !r.external) out.push_back(ResolveTarget(source, r.target));
  }
  return out;
}

std::vector<std::string> Package::Inconsistencies() const {
  std::vector<std::string> problems;
  for (const Part& part : parts_) {
    if (types_.TypeOf(part.name).empty())
      problems.push_back("нет типа содержимого части " + part.name);
  }
  for (const auto& [key, entry] : rels_) {
    const std::string& source = entry.first;
    if (source != "/" && !Has(source) && !entry.second.Empty()) {
      problems.push_back("связи отсутствующей части " + source);
    }
    for (const Relationship& r : entry.second.All()) {
      if (r.external || r.target.empty() || r.target.front() == '#') continue;
      const std::string target = ResolveTarget(source, r.target);
      if (!Has(target))
        problems.push_back("связь " + r.id + " части " + source + " ведет к отсутствующей части " +
                           target);
    }
  }
  return problems;
}

void Package::Finish(zip_t* archive, const SaveOptions& options) const {
  ArchivePtr owned(archive);
  for (const Part& part : parts_) {
    if (types_.TypeOf(part.name).empty()) {
      throw Error(errors::kFormat, "Части " + part.name + " не назначен тип содержимого");
    }
  }
  std::list<std::string> generated;  // stable addresses for libzip's buffer sources
  std::list<Streamed> streamed;
  auto add = [&](const std::string& part_name, zip_source_t* source) {
    if (source == nullptr) throw std::bad_alloc();
    const zip_int64_t index =
        zip_file_add(archive, part_name.c_str() + 1, source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(source);
      throw Error(errors::kFile,
                  "Не удалось добавить часть " + part_name + ": " + zip_strerror(archive));
    }
    const auto at = static_cast<zip_uint64_t>(index);
    if (options.compression_level <= 0) {
      zip_set_file_compression(archive, at, ZIP_CM_STORE, 0);
    } else {
      zip_set_file_compression(archive, at, ZIP_CM_DEFLATE,
                               static_cast<zip_uint32_t>(std::min(options.compression_level, 9)));
    }
    zip_file_set_dostime(archive, at, kEntryTime, kEntryDate, 0);
  };
  auto add_bytes = [&](const std::string& part_name, const std::string& bytes) {
    add(part_name, zip_source_buffer(archive, bytes.data(), bytes.size(), 0));
  };
  auto add_generated = [&](const std::string& part_name, std::string bytes) {
    add_bytes(part_name, generated.emplace_back(std::move(bytes)));
  };
  auto add_rels = [&](std::string_view source) {
    auto found = rels_.find(PartKey(source));
    if (found == rels_.end() || found->second.second.Empty()) return;
    add_generated(RelationshipsPartName(found->second.first), found->second.second.Serialize());
  };

  // Overrides of parts that are not there are dropped; Office rejects them.
  ContentTypes types = types_;
  for (const auto& [key, entry] : types_.Overrides()) {
    if (!Has(entry.first)) types.RemoveOverride(entry.first);
  }
  add_generated(std::string("/") + kContentTypesEntry, types.Serialize());
  add_rels("/");
  for (const Part& part : parts_) {
    if (part.producer) {
      Streamed& s = streamed.emplace_back();
      s.producer = part.producer;
      zip_error_init(&s.error);
      add(part.name, zip_source_function(archive, StreamedCallback, &s));
    } else {
      add_bytes(part.name, part.bytes);
    }
    add_rels(part.name);
  }
  if (zip_close(archive) != 0) {
    for (const Streamed& s : streamed) {
      if (s.failure) std::rethrow_exception(s.failure);
    }
    throw Error(errors::kFile, std::string("Ошибка записи пакета: ") + zip_strerror(archive));
  }
  owned.release();  // closed
}

void Package::Save(const std::string& path, const SaveOptions& options) const {
  platform::ReplacingFile file(path);
  FileTarget target{file.Stream(), {}};
  zip_error_init(&target.error);
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_function_create(FileTargetCallback, &target, &error);
  if (source == nullptr) throw std::bad_alloc();
  zip_t* archive = zip_open_from_source(source, ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) {
    zip_source_free(source);
    const std::string why = zip_error_strerror(&error);
    zip_error_fini(&error);
    file.Fail(why);
  }
  zip_error_fini(&error);
  try {
    Finish(archive, options);
  } catch (const Error& e) {
    if (e.Number() == errors::kFile && target.error.zip_err != ZIP_ER_OK) {
      file.Fail(zip_error_strerror(&target.error));
    }
    throw;
  }
  file.Commit();
}

std::string Package::SaveToBytes(const SaveOptions& options) const {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (buffer == nullptr) throw std::bad_alloc();
  zip_source_keep(buffer);
  std::unique_ptr<zip_source_t, decltype(&zip_source_free)> keep(buffer, zip_source_free);
  zip_t* archive = zip_open_from_source(buffer, ZIP_CREATE | ZIP_TRUNCATE, &error);
  zip_error_fini(&error);
  if (archive == nullptr) throw Error(errors::kFile, "Ошибка записи пакета в память");
  Finish(archive, options);
  zip_stat_t st;
  if (zip_source_stat(buffer, &st) != 0 || zip_source_open(buffer) != 0) {
    throw Error(errors::kFile, "Ошибка записи пакета в память");
  }
  std::string bytes(static_cast<std::size_t>(st.size), '\0');
  const zip_int64_t got = zip_source_read(buffer, bytes.data(), bytes.size());
  zip_source_close(buffer);
  if (got < 0 || static_cast<std::size_t>(got) != bytes.size()) {
    throw Error(errors::kFile, "Ошибка записи пакета в память");
  }
  return bytes;
}

}  // namespace quorlex::automation::package
