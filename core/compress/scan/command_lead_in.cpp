// Telling chance commands that run into a real list of commands from the list's own head.
#include "compress/scan/command_lead_in.h"

#include <vector>

#include "compress/commands/command_formats.h"
#include "compress/commands/command_walk.h"
#include "compress/scheme_formats.h"
#include "compress/uCompress.h"

namespace tegulo {
namespace {

// The command table of a scheme's row; nullptr for the other layouts.
const TCommandFormat* FormatOf(int scheme) {
  const TSchemeFormat* row = FindSchemeFormat(scheme);
  return row != nullptr ? row->commandFormat : nullptr;
}

// One command as the lead-in rule sees it: where it starts in the ROM and whether chance bytes
// before a stream make it often.
struct TMark {
  std::size_t at = 0;
  bool chanceLike = false;
};

// A fill of a value other than zero, or a direct copy shorter than the longest.
bool ChanceLike(std::span<const std::uint8_t> s, const command::TStep& step) {
  const command::TRule& rule = *step.rule;
  if (rule.kind == command::kDirect) return step.count < command::kMaxCount;
  if (rule.address != command::TAddress::kNone) return false;
  const std::size_t arg = step.inEnd - rule.argBytes;
  bool zero = s[arg] == 0;
  if (rule.kind == command::kWordFill) zero = zero && s[arg + 1] == 0;
  return !zero || rule.kind == command::kIncFill;
}

// The commands of a stream, as far as `limit` of them.
class TMarks final : public command::TCommandHook {
public:
  TMarks(std::span<const std::uint8_t> s, std::size_t base, std::size_t limit)
      : s_(s), base_(base), limit_(limit) {}
  bool Step(const command::TStep& step) override {
    marks_.push_back({base_ + step.inStart, ChanceLike(s_, step)});
    return marks_.size() < limit_;
  }
  const std::vector<TMark>& Marks() const { return marks_; }

private:
  std::span<const std::uint8_t> s_;
  std::size_t base_;
  std::size_t limit_;
  std::vector<TMark> marks_;
};

std::vector<TMark> Marks(std::span<const std::uint8_t> rom, const TScanHit& hit,
                         std::size_t limit) {
  const auto s = rom.subspan(hit.address, hit.comprSize);
  TMarks marks(s, hit.address, limit);
  command::Walk<true>(*FormatOf(hit.scheme), s, nullptr, kCommandOutputLimit, &marks);
  return marks.Marks();
}

}  // namespace

bool IsCommandLeadIn(std::span<const std::uint8_t> rom, const TScanHit& earlier,
                     const TScanHit& later) {
  if (FormatOf(earlier.scheme) == nullptr || FormatOf(later.scheme) == nullptr ||
      earlier.address >= later.address ||
      earlier.address + earlier.comprSize != later.address + later.comprSize) {
    return false;
  }
  const std::vector<TMark> a = Marks(rom, earlier, SIZE_MAX);
  const std::vector<TMark> b = Marks(rom, later, SIZE_MAX);
  // Where the walks meet: the first command of `later` that starts where one of `earlier` does.
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size() && a[i].at != b[j].at) {
    if (a[i].at < b[j].at) {
      ++i;
    } else {
      ++j;
    }
  }
  if (i > kLeadInCommands) return false;
  for (std::size_t k = 0; k < i; ++k) {
    if (!a[k].chanceLike) return false;
  }
  bool sign = j == 0 || j >= kCommandFactsEvidence;
  for (std::size_t k = 0; k < j && !sign; ++k) sign = !b[k].chanceLike;
  return sign;
}

std::size_t CommandLeadInReach(std::span<const std::uint8_t> rom, const TScanHit& hit) {
  if (FormatOf(hit.scheme) == nullptr) return 0;
  const std::vector<TMark> marks = Marks(rom, hit, kLeadInCommands + 1);
  // A later stream whose walk meets this one's at or before the end of the lead-in.
  for (std::size_t k = 0; k < marks.size(); ++k) {
    if (!marks[k].chanceLike || k == kLeadInCommands) return marks[k].at - hit.address;
  }
  return hit.comprSize;
}

}  // namespace tegulo
