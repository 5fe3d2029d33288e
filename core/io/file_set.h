// Several files replaced as one step: a record of the set beside its targets, so that a kill
// or a failed rename leaves every file of the set old or every file new.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "io/safe_write.h"

namespace tegulo {

// The files of one command's output. Each is written through its own TAtomicFile; Commit()
// replaces them all:
// 1. every temporary is synced whole;
// 2. a record of the set (".tegulo-set-PID-XXXXXX": each temporary, its target, whether the
//    target existed, the name its old content is kept under) is written and synced in every
//    folder that holds a target;
// 3. each old target gets a second name (a hard link beside it), so it can be put back;
// 4. the temporaries are renamed over their targets, in order;
// 5. the second names and the records are removed.
// A set of one file is just its TAtomicFile. When a rename fails, the record is marked
// "back" and the files already replaced get their old content again; the error then says
// whether every file is as it was or which ones keep the new content (a folder that takes
// no hard links cannot keep the old one). A kill at any step is mended by the next
// RecoverFileSets() in one of those folders, which every TAtomicFile runs for its folder.
class TFileSet {
public:
  explicit TFileSet(const TFileCalls& calls = {});
  ~TFileSet();
  TFileSet(const TFileSet&) = delete;
  TFileSet& operator=(const TFileSet&) = delete;

  // The next file of the set (TAtomicFile's rules and errors). The reference lasts as long
  // as the set.
  TAtomicFile& Add(const std::string& path);
  // Renames every file into place as above. Returns HardLinkNote() for each target whose
  // other names kept the old bytes. Throws TFileWriteError or TError; on any failure before
  // the renames every target is as it was and no temporary is left.
  std::vector<std::string> Commit();

private:
  struct TRecordFile;
  TFileCalls calls_;
  std::vector<std::unique_ptr<TAtomicFile>> files_;
};

// Completes, or takes back when marked so, every set whose record a process that no longer
// runs left in `folder`: a set whose renames had begun ends all new (its temporaries are
// whole: they were synced before the record was written), a set marked "back" all old. A
// record cut short (the kill came while it was written, before any rename) is removed with
// nothing else. Records of running processes are left alone; names in a record that are not
// this program's temporaries beside their targets are never touched. Best effort, silent.
void RecoverFileSets(const std::string& folder, const TFileCalls& calls = {});

}  // namespace tegulo
