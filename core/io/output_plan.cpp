// Resolving a command's files the way the safe-write path will, so that no output can
// replace an input or another output, whether the file exists yet or not.
#include "io/output_plan.h"

#include <sys/stat.h>

#include <filesystem>
#include <unordered_map>

#include "base/messages.h"
#include "io/file_set.h"
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

void TOutputPlan::AddInput(const std::string& path, std::string what, std::string hint) {
  inputs_.push_back(Resolve(path, std::move(what), std::move(hint)));
}

void TOutputPlan::AddOutput(const std::string& path, std::string what) {
  outputs_.push_back(Resolve(path, std::move(what), {}));
}

// Two files are one when both exist and share device and inode, or neither exists and the
// final paths agree: one key per file says both.
std::string TOutputPlan::Key(const TFile& f) {
  return f.exists ? "i" + std::to_string(f.device) + ":" + std::to_string(f.inode)
                  : "p" + f.resolved;
}

void TOutputPlan::Check() const {
  std::unordered_map<std::string, const TFile*> inputs;
  for (const TFile& in : inputs_) inputs.emplace(Key(in), &in);
  std::unordered_map<std::string, const TFile*> outputs;
  for (const TFile& out : outputs_) {
    const std::string key = Key(out);
    if (const auto in = inputs.find(key); in != inputs.end()) {
      throw TOutputConflict(out.what + " names " + in->second->what + " " +
                            EscapeControls(in->second->path) + in->second->hint +
                            "; nothing was written");
    }
    const auto [other, fresh] = outputs.emplace(key, &out);
    if (!fresh) {
      throw TOutputConflict(other->second->what + " and " + out.what +
                            " name the same file; nothing was written");
    }
  }
}

std::vector<std::string> WriteFilesTogether(std::span<const TOutputFile> files,
                                            const TFileCalls& calls) {
  TFileSet set(calls);
  for (const TOutputFile& f : files) set.Add(f.path).Write(f.bytes);
  return set.Commit();
}

}  // namespace tegulo
