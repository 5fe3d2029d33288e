// Telling chance commands that run into a real list of commands from the list's own head.
#include "compress/scan/command_lead_in.h"

#include <algorithm>
#include <utility>
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

// Commands of a lead-in that the copies after it may still tell from a stream's own head.
constexpr std::size_t kFramedLeadInCommands = 8;

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

// The commands of a stream, as far as `limit` of them (a walk that writes nothing).
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

// The copies of a list read from its own start, and how many of them stop short: where the
// byte the copy would read next is the byte written after it. Encoders make a copy as long as
// it matches, a longer one costing no more (the next command shrinks or goes; past a short
// header's count it would cost a byte); read from a wrong start, a copy from an absolute
// address takes other bytes, and stops short as often as chance makes two bytes equal.
struct TCopyMark {
  std::size_t at = 0;  // its header in the ROM
  bool stopsShort = false;
};

// A list read from its own start: its commands and its copies.
struct TReading {
  std::vector<TMark> marks;
  std::vector<TCopyMark> copies;

  // The copies from the ROM address `from` on that stop short.
  std::size_t StoppingShort(std::size_t from) const {
    return static_cast<std::size_t>(
        std::count_if(copies.begin(), copies.end(),
                      [&](const TCopyMark& m) { return m.at >= from && m.stopsShort; }));
  }
};

class TReader final : public command::TCommandHook {
public:
  TReader(const TCommandFormat& format, std::span<const std::uint8_t> s, std::size_t base)
      : format_(format), s_(s), base_(base) {}
  bool Step(const command::TStep& step) override {
    marks_.push_back({base_ + step.inStart, ChanceLike(s_, step)});
    const command::TRule& rule = *step.rule;
    if (rule.address == command::TAddress::kNone) return true;
    const std::uint8_t* arg = s_.data() + step.inEnd - rule.argBytes;
    std::size_t source = step.outStart - arg[0];
    if (rule.address == command::TAddress::kAbsolute) {
      source = format_.bigEndian ? arg[0] << 8U | arg[1] : arg[1] << 8U | arg[0];
    }
    copies_.push_back(
        {base_ + step.inStart, step.count, rule.maxCount, step.outStart, source, rule.kind});
    return true;
  }

  // Once the walk wrote `out`.
  TReading Reading(std::span<const std::uint8_t> out) {
    TReading r{std::move(marks_), {}};
    r.copies.reserve(copies_.size());
    for (const TCopy& c : copies_) r.copies.push_back({c.at, StopsShort(c, out)});
    return r;
  }

private:
  struct TCopy {
    std::size_t at;
    std::size_t count;
    std::size_t maxCount;
    std::size_t outStart;
    std::size_t source;
    command::TKind kind;
  };

  static bool StopsShort(const TCopy& c, std::span<const std::uint8_t> out) {
    const std::size_t next = c.outStart + c.count;
    if (next >= out.size() || c.count == command::kShortCount || c.count >= c.maxCount) {
      return false;
    }
    std::uint8_t want = 0;
    switch (c.kind) {
      case command::kRepeatBack:
        if (c.source < c.count) return false;
        want = out[c.source - c.count];
        break;
      case command::kRepeatBits: want = command::kReversedBits[out[c.source + c.count]]; break;
      case command::kRepeatXor:
      case command::kRelativeXor: want = static_cast<std::uint8_t>(~out[c.source + c.count]); break;
      default: want = out[c.source + c.count];
    }
    return out[next] == want;
  }

  const TCommandFormat& format_;
  std::span<const std::uint8_t> s_;
  std::size_t base_;
  std::vector<TMark> marks_;
  std::vector<TCopy> copies_;
};

// `hit` read from its own start.
TReading Read(std::span<const std::uint8_t> rom, const TScanHit& hit) {
  const TCommandFormat& format = *FormatOf(hit.scheme);
  const auto s = rom.subspan(hit.address, hit.comprSize);
  std::vector<std::uint8_t> out(kCommandOutputLimit);
  TReader reader(format, s, hit.address);
  const TCommandResult r = command::Walk<false>(format, s, out.data(), out.size(), &reader);
  return reader.Reading(std::span(out).first(r.written));
}

}  // namespace

bool IsCommandLeadIn(std::span<const std::uint8_t> rom, const TScanHit& earlier,
                     const TScanHit& later) {
  if (FormatOf(earlier.scheme) == nullptr || FormatOf(later.scheme) == nullptr ||
      earlier.address >= later.address ||
      earlier.address + earlier.comprSize != later.address + later.comprSize) {
    return false;
  }
  const TReading first = Read(rom, earlier);
  const TReading second = Read(rom, later);
  const std::vector<TMark>& a = first.marks;
  const std::vector<TMark>& b = second.marks;
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
  // The commands after the meeting are the same bytes, their copies read from two starts:
  // the one whose copies stop short less often is the stream's. Weighed where `earlier`'s own
  // commands are a few that chance bytes make (the head the scan leaves open, see
  // CommandLeadInReach).
  const bool chanceHead = i <= kFramedLeadInCommands &&
                          std::all_of(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(i),
                                      [](const TMark& m) { return m.chanceLike; });
  if (chanceHead && i < a.size() && j < b.size()) {
    const std::size_t shortEarlier = first.StoppingShort(a[i].at);
    const std::size_t shortLater = second.StoppingShort(a[i].at);
    if (shortEarlier != shortLater) return shortEarlier > shortLater;
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
  const std::vector<TMark> marks = Marks(rom, hit, kFramedLeadInCommands + 1);
  // A later stream whose walk meets this one's at or before the end of the lead-in.
  for (std::size_t k = 0; k < marks.size(); ++k) {
    if (!marks[k].chanceLike || k == kFramedLeadInCommands) return marks[k].at - hit.address;
  }
  return hit.comprSize;
}

}  // namespace tegulo
