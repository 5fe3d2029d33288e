// All the files one command reads and writes, resolved before the first byte is written,
// and the writing of several outputs as one step.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/uCommon.h"
#include "io/safe_write.h"

namespace tegulo {

// An output that would destroy one of the command's inputs or another of its outputs. The
// programs treat it as a usage error: nothing has been read or written yet.
class TOutputConflict : public TError {
public:
  using TError::TError;
};

// The inputs and outputs of one command. Each path is resolved as a write would resolve it:
// symlinks followed to their end (also to a file that does not exist yet), the folder made
// absolute with its own links followed; paths are then compared by that final path, and by
// device and inode where the file exists.
class TOutputPlan {
public:
  // `what` names the file in messages ("the input ROM"); `hint` follows its path there.
  void AddInput(const std::string& path, std::string what, std::string hint = {});
  // `what` names the output by its option ("-o", "--ips").
  void AddOutput(const std::string& path, std::string what);

  // Throws TOutputConflict "<output> names <what> <path><hint>; nothing was written" for an
  // output that is an input, and "<output> and <output> name the same file; nothing was
  // written" for two outputs that are one file.
  void Check() const;

private:
  struct TFile {
    std::string path, what, hint, resolved;
    bool exists = false;
    std::uint64_t device = 0, inode = 0;
  };
  static TFile Resolve(const std::string& path, std::string what, std::string hint);
  static std::string Key(const TFile& f);
  std::vector<TFile> inputs_, outputs_;
};

struct TOutputFile {
  std::string path;
  std::vector<std::uint8_t> bytes;
};

// Writes every file to its temporary and syncs it; only when all are whole are they renamed
// into place as one set (TFileSet: a kill or a failed rename leaves all old or all new). A
// failure leaves every target as it was and no temporary behind (TAtomicFile's errors; a
// failed rename says which files it could not put back). Returns the notes to show
// (HardLinkNote for each target whose other names kept the old bytes).
std::vector<std::string> WriteFilesTogether(std::span<const TOutputFile> files,
                                            const TFileCalls& calls = {});

}  // namespace tegulo
