// A set of files renamed into place under a record, and the mending of sets a kill left.
#include "io/file_set.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <span>
#include <string_view>

#include "base/messages.h"
#include "base/uCommon.h"
#include "io/file_error.h"
#include "io/paths.h"

namespace tegulo {
namespace {

constexpr std::string_view kMagic = "tegulo-set 1";
constexpr std::string_view kRecordPrefix = ".tegulo-set-";
constexpr std::string_view kTempPrefix = ".tegulo-";
constexpr std::size_t kMaxRecordBytes = 1 << 20;
constexpr std::size_t kEntryFields = 7;  // "F", existed, device, inode, temp, target, backup

// One file of a set as its record names it.
struct TEntry {
  std::string temp, target, backup;
  bool existed = false;
  std::uint64_t device = 0, inode = 0;
};

struct TRecord {
  std::vector<TEntry> entries;
  std::vector<std::string> records;
  bool back = false;
};

std::string_view BaseOf(std::string_view path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Splits the record's bytes at each NUL; a last field without its NUL is no field.
std::vector<std::string_view> Fields(std::span<const std::uint8_t> bytes) {
  std::vector<std::string_view> fields;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::size_t start = 0;
  for (std::size_t nul = text.find('\0'); nul != std::string_view::npos;
       nul = text.find('\0', start)) {
    fields.push_back(text.substr(start, nul - start));
    start = nul + 1;
  }
  return fields;
}

bool Number(std::string_view s, std::uint64_t& out) {
  if (s.empty() || s.size() > 20) return false;
  out = 0;
  for (const char c : s) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

// A file this program would have written: a temporary beside the target.
bool Beside(const std::string& name, const std::string& target) {
  return StartsWith(BaseOf(name), kTempPrefix) && DirectoryOf(name) == DirectoryOf(target) &&
         !target.empty() && BaseOf(target) != "." && BaseOf(target) != "..";
}

bool ParseEntry(std::span<const std::string_view> f, TEntry& e) {
  e.temp = f[4];
  e.target = f[5];
  e.backup = f[6];
  e.existed = f[1] == "1";
  return (f[1] == "0" || f[1] == "1") && Number(f[2], e.device) && Number(f[3], e.inode) &&
         Beside(e.temp, e.target) && (e.backup.empty() || Beside(e.backup, e.target));
}

// False for a record cut short or not this program's.
bool ParseRecord(std::span<const std::uint8_t> bytes, TRecord& r) {
  const std::vector<std::string_view> f = Fields(bytes);
  if (f.empty() || f[0] != kMagic) return false;
  std::size_t i = 1;
  while (i < f.size() && f[i] != "end") {
    if (f[i] == "R" && i + 1 < f.size() && StartsWith(BaseOf(f[i + 1]), kRecordPrefix)) {
      r.records.emplace_back(f[i + 1]);
      i += 2;
      continue;
    }
    TEntry e;
    if (f[i] != "F" || i + kEntryFields > f.size() ||
        !ParseEntry(std::span(f).subspan(i, kEntryFields), e)) {
      return false;
    }
    r.entries.push_back(std::move(e));
    i += kEntryFields;
  }
  if (i >= f.size()) return false;  // no "end": the kill came while it was written
  r.back = i + 1 < f.size() && f[i + 1] == "back";
  return true;
}

bool ReadRecord(int dirFd, const char* name, std::vector<std::uint8_t>& bytes) {
  const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
            static_cast<std::uint64_t>(st.st_size) <= kMaxRecordBytes;
  if (ok) {
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      ok = n > 0;
      if (ok) done += static_cast<std::size_t>(n);
    }
  }
  ::close(fd);
  return ok;
}

// Whether the target already holds the entry's new file.
bool Renamed(const TEntry& e) {
  struct stat st;
  return ::lstat(e.target.c_str(), &st) == 0 && st.st_dev == e.device && st.st_ino == e.inode;
}

// Takes every entry back to its old content. Returns the targets that keep the new one.
std::vector<std::string> TakeBack(const std::vector<TEntry>& entries, const TFileCalls& calls) {
  std::vector<std::string> kept;
  for (const TEntry& e : entries) {
    if (Exists(e.temp)) {
      calls.unlink(e.temp.c_str());
    } else if (Renamed(e)) {
      const bool restored = e.existed ? !e.backup.empty() && Exists(e.backup) &&
                                            calls.rename(e.backup.c_str(), e.target.c_str()) == 0
                                      : calls.unlink(e.target.c_str()) == 0;
      if (!restored) kept.push_back(e.target);
    }
  }
  return kept;
}

// What the set's own record (the last one listed) says: the set begun, or marked "back", or
// never begun (that record is missing or cut short: no rename had started).
enum class TSetState { Begun, Back, NotBegun };

TSetState MainRecordSays(const TRecord& r, const std::string& path) {
  if (r.records.empty() || r.records.back() == path) {
    return r.back ? TSetState::Back : TSetState::Begun;
  }
  const std::string& main = r.records.back();
  std::vector<std::uint8_t> bytes;
  TRecord m;
  if (!ReadRecord(AT_FDCWD, main.c_str(), bytes) || !ParseRecord(bytes, m)) {
    return TSetState::NotBegun;
  }
  return m.back ? TSetState::Back : TSetState::Begun;
}

// Renames every temporary still there over its target, or takes the set back when it is
// marked so, never began, or one of its temporaries is gone without having been renamed.
void Complete(const TRecord& r, TSetState state, const TFileCalls& calls) {
  const bool lost = std::any_of(r.entries.begin(), r.entries.end(),
                                [](const TEntry& e) { return !Exists(e.temp) && !Renamed(e); });
  if (state != TSetState::Begun || lost) {
    TakeBack(r.entries, calls);
  } else {
    for (const TEntry& e : r.entries) {
      if (Exists(e.temp)) calls.rename(e.temp.c_str(), e.target.c_str());
    }
  }
}

void RemoveLeftovers(const TRecord& r, const TFileCalls& calls) {
  for (const TEntry& e : r.entries) {
    if (!e.backup.empty() && Exists(e.backup)) calls.unlink(e.backup.c_str());
  }
  for (const std::string& record : r.records) {
    if (Exists(record)) calls.unlink(record.c_str());
  }
}

// The writer of a record, or 0 for another file.
pid_t RecordWriter(std::string_view name) {
  if (!StartsWith(name, kRecordPrefix)) return 0;
  name.remove_prefix(kRecordPrefix.size());
  std::uint64_t pid = 0;
  const auto dash = name.find('-');
  if (dash == std::string_view::npos || !Number(name.substr(0, dash), pid) || pid == 0 ||
      pid > 0x7FFFFFFF) {
    return 0;
  }
  return static_cast<pid_t>(pid);
}

void Append(std::string& out, std::string_view field) {
  out.append(field);
  out.push_back('\0');
}

}  // namespace

struct TFileSet::TRecordFile {
  std::string path;
  int fd = -1;
};

TFileSet::TFileSet(const TFileCalls& calls) : calls_(calls) {}
TFileSet::~TFileSet() = default;

TAtomicFile& TFileSet::Add(const std::string& path) {
  files_.push_back(std::make_unique<TAtomicFile>(path, calls_));
  return *files_.back();
}

namespace {

// Writes the record's bytes and syncs them; 0 or an errno value.
int WriteRecord(const TFileCalls& calls, int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t w = calls.write(fd, bytes.data() + done, bytes.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return w < 0 ? errno : EIO;
    done += static_cast<std::size_t>(w);
  }
  if (calls.fsync(fd) != 0 && errno != EINVAL) return errno;
  return 0;
}

std::string Describe(const std::vector<std::string>& kept) {
  if (kept.empty()) return "; every file is as it was, nothing was written";
  std::string names;
  for (const std::string& k : kept) names += (names.empty() ? "" : ", ") + EscapeControls(k);
  return "; " + names + (kept.size() == 1 ? " keeps its" : " keep their") +
         " new content (the old could not be kept in that folder), every other file is as it "
         "was";
}

}  // namespace

std::vector<std::string> TFileSet::Commit() {
  for (const auto& file : files_) file->Prepare();
  std::vector<std::string> notes;
  if (files_.empty()) return notes;
  if (files_.size() == 1) {
    files_[0]->Commit();
    if (files_[0]->OtherLinksKept()) notes.push_back(HardLinkNote(files_[0]->Path()));
    return notes;
  }

  // One record in each folder that holds a target, each naming them all.
  std::vector<TRecordFile> records;
  auto closeAll = [&records] {
    for (TRecordFile& r : records) {
      if (r.fd >= 0) ::close(r.fd);
      r.fd = -1;
    }
  };
  TRecord set;
  for (const auto& file : files_) {
    const std::string folder = DirectoryOf(file->Target());
    const bool known = std::any_of(records.begin(), records.end(), [&](const TRecordFile& r) {
      return DirectoryOf(r.path) == folder;
    });
    if (!known) {
      std::string pattern =
          folder + "/" + std::string(kRecordPrefix) + std::to_string(::getpid()) + "-XXXXXX";
      const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
      if (fd < 0) {
        const int err = errno;
        closeAll();
        for (const TRecordFile& r : records) ::unlink(r.path.c_str());
        throw TFileWriteError(EscapeControls(file->Path()), err);
      }
      records.push_back({pattern, fd});
    }
    struct stat st {};
    ::stat(file->Temporary().c_str(), &st);
    TEntry e;
    e.temp = file->Temporary();
    e.target = file->Target();
    e.backup = file->Replaces() ? file->Temporary() + ".old" : std::string();
    e.existed = file->Replaces();
    e.device = st.st_dev;
    e.inode = st.st_ino;
    set.entries.push_back(std::move(e));
  }
  std::string bytes;
  Append(bytes, kMagic);
  for (const TEntry& e : set.entries) {
    for (const std::string& f :
         {std::string("F"), std::string(e.existed ? "1" : "0"), std::to_string(e.device),
          std::to_string(e.inode), e.temp, e.target, e.backup}) {
      Append(bytes, f);
    }
  }
  // The record of the first file's folder is the set's own, listed and written last: the set
  // counts as begun only once it is whole. The others are removed first, so that one of
  // them never outlives it.
  for (std::size_t k = 1; k <= records.size(); ++k) {
    const TRecordFile& r = records[k % records.size()];
    Append(bytes, "R");
    Append(bytes, r.path);
    set.records.push_back(r.path);
  }
  Append(bytes, "end");
  for (std::size_t k = 1; k <= records.size(); ++k) {
    const std::size_t i = k % records.size();
    if (const int err = WriteRecord(calls_, records[i].fd, bytes)) {
      closeAll();
      for (const TRecordFile& r : records) calls_.unlink(r.path.c_str());
      throw TFileWriteError(EscapeControls(files_[i]->Path()), err);
    }
  }

  // The old contents under second names, so that a failed rename can put them back.
  for (TEntry& e : set.entries) {
    if (!e.backup.empty() && calls_.link(e.target.c_str(), e.backup.c_str()) != 0) {
      e.backup.clear();
    }
  }
  try {
    for (const auto& file : files_) file->Commit();
  } catch (const TFileWriteError& error) {
    std::string back;
    Append(back, "back");
    WriteRecord(calls_, records[0].fd, back);  // the set's own record decides
    closeAll();
    const std::vector<std::string> kept = TakeBack(set.entries, calls_);
    RemoveLeftovers(set, calls_);
    throw TFileWriteError(error.what() + Describe(kept), error.err(), TFileWriteError::kText);
  }
  closeAll();
  RemoveLeftovers(set, calls_);
  for (const auto& file : files_) {
    if (file->OtherLinksKept()) notes.push_back(HardLinkNote(file->Path()));
  }
  return notes;
}

void RecoverFileSets(const std::string& folder, const TFileCalls& calls) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> names;
  const pid_t self = ::getpid();
  while (const dirent* entry = ::readdir(dir)) {
    const pid_t pid = RecordWriter(entry->d_name);
    if (pid <= 0 || pid == self) continue;
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;  // running, or not ours to know
    names.emplace_back(entry->d_name);
  }
  for (const std::string& name : names) {
    std::vector<std::uint8_t> bytes;
    TRecord r;
    const std::string path = folder + "/" + name;
    if (ReadRecord(::dirfd(dir), name.c_str(), bytes) && ParseRecord(bytes, r)) {
      Complete(r, MainRecordSays(r, path), calls);
      RemoveLeftovers(r, calls);
    }
    if (Exists(path)) calls.unlink(path.c_str());
  }
  ::closedir(dir);
}

}  // namespace tegulo
