// The edits made to a ROM image held in memory, and the name a saved copy is offered under.
#include "rom/rom_edits.h"

#include <algorithm>

#include "base/uCommon.h"

namespace tegulo {

namespace {

// Differing runs closer than this are kept as one range: fewer, slightly longer records.
constexpr std::size_t kJoinGap = 16;

}  // namespace

TRomChange DiffRom(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after) {
  TRomChange change;
  change.oldSize = before.size();
  const std::size_t common = std::min(before.size(), after.size());
  std::size_t i = 0;
  while (i < common) {
    if (before[i] == after[i]) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    std::size_t end = i + 1;  // one past the last differing byte of the run
    for (std::size_t j = end; j < common && j < end + kJoinGap; ++j) {
      if (before[j] != after[j]) end = j + 1;
    }
    change.replaced.push_back({start,
                               {before.begin() + static_cast<std::ptrdiff_t>(start),
                                before.begin() + static_cast<std::ptrdiff_t>(end)}});
    i = end;
  }
  if (before.size() > common) {
    change.replaced.push_back(
        {common, {before.begin() + static_cast<std::ptrdiff_t>(common), before.end()}});
  }
  return change;
}

void RevertChange(std::vector<std::uint8_t>& rom, const TRomChange& change) {
  for (const TRomChange::TRange& range : change.replaced) {
    if (range.offset > change.oldSize || range.bytes.size() > change.oldSize - range.offset) {
      throw TError("The ROM does not match the change to undo");
    }
  }
  rom.resize(change.oldSize);
  for (const TRomChange::TRange& range : change.replaced) {
    std::copy(range.bytes.begin(), range.bytes.end(),
              rom.begin() + static_cast<std::ptrdiff_t>(range.offset));
  }
}

namespace {

// The change that takes `rom`, once `step` is reverted, back to what it holds now: the bytes
// it holds now in each range of the step, and a tail the revert would cut off.
TRomChange ForwardOf(std::span<const std::uint8_t> rom, const TRomChange& step) {
  TRomChange forward;
  forward.oldSize = rom.size();
  for (const TRomChange::TRange& range : step.replaced) {
    const std::size_t start = std::min(range.offset, rom.size());
    const std::size_t end = std::min(range.offset + range.bytes.size(), rom.size());
    forward.replaced.push_back({start,
                                {rom.begin() + static_cast<std::ptrdiff_t>(start),
                                 rom.begin() + static_cast<std::ptrdiff_t>(end)}});
  }
  if (rom.size() > step.oldSize) {
    forward.replaced.push_back(
        {step.oldSize, {rom.begin() + static_cast<std::ptrdiff_t>(step.oldSize), rom.end()}});
  }
  return forward;
}

}  // namespace

void TRomHistory::Reset() {
  steps_.clear();
  redo_.clear();
  savedDepth_ = 0;
}

void TRomHistory::Push(TRomChange change) {
  if (savedDepth_ > static_cast<std::ptrdiff_t>(steps_.size())) savedDepth_ = -1;
  change.serial = ++lastSerial_;
  steps_.push_back(std::move(change));
  redo_.clear();
}

void TRomHistory::Undo(std::vector<std::uint8_t>& rom) {
  if (steps_.empty()) return;
  TRomChange forward = ForwardOf(rom, steps_.back());
  RevertChange(rom, steps_.back());
  redo_.push_back({std::move(forward), std::move(steps_.back())});
  steps_.pop_back();
}

void TRomHistory::Redo(std::vector<std::uint8_t>& rom) {
  if (redo_.empty()) return;
  RevertChange(rom, redo_.back().forward);
  steps_.push_back(std::move(redo_.back().step));
  redo_.pop_back();
}

void TRomHistory::MarkSaved() { savedDepth_ = static_cast<std::ptrdiff_t>(steps_.size()); }

bool TRomHistory::Modified() const {
  if (savedDepth_ < 0) return true;
  const auto depth = static_cast<std::ptrdiff_t>(steps_.size());
  const auto changesBytes = [](const TRomChange& step) { return !step.listOnly; };
  if (savedDepth_ <= depth) {
    return std::any_of(steps_.begin() + savedDepth_, steps_.end(), changesBytes);
  }
  // Undone below the save: the steps between lie on the redo list, newest last.
  const auto undone = static_cast<std::ptrdiff_t>(redo_.size());
  if (savedDepth_ - depth > undone) return true;
  return std::any_of(redo_.end() - (savedDepth_ - depth), redo_.end(),
                     [&](const TRedo& r) { return changesBytes(r.step); });
}

std::vector<std::uint8_t> TRomHistory::Original(std::span<const std::uint8_t> rom) const {
  std::vector<std::uint8_t> image(rom.begin(), rom.end());
  for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) RevertChange(image, *step);
  return image;
}

std::string EditedRomName(const std::string& path) {
  static const std::string kSuffix = "-edited";
  const std::size_t slash = path.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = path.find_last_of('.');
  // A dot that starts the name (".hidden") or lies in a folder name is no extension.
  if (dot == std::string::npos || dot <= nameStart) dot = path.size();
  const std::string stem = path.substr(0, dot);
  if (stem.size() - nameStart >= kSuffix.size() &&
      stem.compare(stem.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0) {
    return path;
  }
  return stem + kSuffix + path.substr(dot);
}

}  // namespace tegulo
