// Resolving a command's files the way the safe-write path will, so that no output can
// replace an input or another output, whether the file exists yet or not.
#include "io/output_plan.h"

#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "base/messages.h"
#include "io/paths.h"

namespace tegulo {

TOutputPlan::TFile TOutputPlan::Resolve(const std::string& path, std::string what,
                                        std::string hint) {
  TFile f{path, std::move(what), std::move(hint), {}, false, 0, 0};
  std::string target;
  if (FollowLinks(path, target) != 0) target = path;  // the write itself will report it
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(target, ec);
  if (ec) full = target;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(full, ec);
  f.resolved = (ec ? full.lexically_normal() : canonical).string();
  struct stat st;
  if (::stat(target.c_str(), &st) == 0) {
    f.exists = true;
    f.device = st.st_dev;
    f.inode = st.st_ino;
  }
  return f;
}

bool TOutputPlan::Same(const TFile& a, const TFile& b) {
  if (a.exists && b.exists) return a.device == b.device && a.inode == b.inode;
  return a.resolved == b.resolved;
}

void TOutputPlan::AddInput(const std::string& path, std::string what, std::string hint) {
  inputs_.push_back(Resolve(path, std::move(what), std::move(hint)));
}

void TOutputPlan::AddOutput(const std::string& path, std::string what) {
  outputs_.push_back(Resolve(path, std::move(what), {}));
}

void TOutputPlan::Check() const {
  for (const TFile& out : outputs_) {
    for (const TFile& in : inputs_) {
      if (Same(out, in)) {
        throw TOutputConflict(out.what + " names " + in.what + " " + EscapeControls(in.path) +
                              in.hint + "; nothing was written");
      }
    }
  }
  for (std::size_t i = 0; i < outputs_.size(); ++i) {
    for (std::size_t j = i + 1; j < outputs_.size(); ++j) {
      if (Same(outputs_[i], outputs_[j])) {
        throw TOutputConflict(outputs_[i].what + " and " + outputs_[j].what +
                              " name the same file; nothing was written");
      }
    }
  }
}

std::vector<std::string> WriteFilesTogether(std::span<const TOutputFile> files,
                                            const TFileCalls& calls) {
  std::vector<std::unique_ptr<TAtomicFile>> pending;
  pending.reserve(files.size());
  for (const TOutputFile& f : files) {
    pending.push_back(std::make_unique<TAtomicFile>(f.path, calls));
    pending.back()->Write(f.bytes);
  }
  for (const auto& file : pending) file->Prepare();
  std::vector<std::string> notes;
  for (const auto& file : pending) {
    file->Commit();
    if (file->OtherLinksKept()) notes.push_back(HardLinkNote(file->Path()));
  }
  return notes;
}

}  // namespace tegulo
