// The scan's checkers of the SNES command formats: the walk of command_walk.h without output,
// told of each command, judging it by the format's table.
#include <algorithm>

#include "compress/commands/command_formats.h"
#include "compress/commands/command_walk.h"
#include "compress/scheme_formats.h"
#include "compress/shared/stream_check.h"

namespace tegulo {
namespace {

using command::TKind;
using command::TRule;
using command::TStep;

// Chance bytes read as a short list of fills; a stream with fewer commands than this is
// told from them by its content alone.
constexpr std::uint32_t kFactsCommands = 8;
// Fills in a row, with no copy between, that no encoder's stream of tile data holds; text
// and tables read as such lists of fills for thousands of bytes.
constexpr std::uint32_t kMaxFillsInRow = 16;

bool HasFiveEqual(std::span<const std::uint8_t> bytes) {
  for (std::size_t k = 4; k < bytes.size(); ++k) {
    if (bytes[k] == bytes[k - 1] && bytes[k] == bytes[k - 2] && bytes[k] == bytes[k - 3] &&
        bytes[k] == bytes[k - 4]) {
      return true;
    }
  }
  return false;
}

bool IsFill(const TRule& rule) {
  return rule.address == command::TAddress::kNone && rule.kind != command::kDirect;
}

// What a scan asks of a command stream beyond its rules: no two direct copies in a row and
// no command that repeats the one before byte for byte (the first short of the longest), as
// an encoder would have joined them; the literal and copy figures of the score. Commands that
// cost more than another way of writing the same bytes count as wasteful (the facts of the
// score): a long form for a count of 32 or less, a command no encoder writes, a word fill of
// two equal bytes or of one byte, an absolute copy of one byte, a fill that goes on the fill
// before it, a direct copy holding five equal bytes in a row, and kMaxFillsInRow fills in a
// row.
class TScanHook final : public command::TCommandHook {
public:
  TScanHook(std::span<const std::uint8_t> s, TStreamStats& st) : s_(s), st_(st) {}

  bool Step(const TStep& step) override {
    const TRule& rule = *step.rule;
    fillsInRow_ = IsFill(rule) ? fillsInRow_ + 1 : 0;
    if (Wasteful(step) || fillsInRow_ >= kMaxFillsInRow) {
      // The stream misses the facts: where only those that meet them count, stop here.
      if (st_.factsOnly) return false;
      ++st_.wastefulTokens;
    }
    ++commands_;
    const bool joinable = lastCount_ < command::kMaxCount;
    if (joinable && rule.kind == command::kDirect && lastKind_ == command::kDirect) return false;
    if (joinable && step.inEnd - step.inStart == lastEnd_ - lastStart_ &&
        std::equal(s_.begin() + static_cast<std::ptrdiff_t>(step.inStart),
                   s_.begin() + static_cast<std::ptrdiff_t>(step.inEnd),
                   s_.begin() + static_cast<std::ptrdiff_t>(lastStart_))) {
      return false;
    }
    if (rule.kind == command::kDirect) {
      for (std::size_t k = 0; k < step.count; ++k) {
        st_.MarkLiteral(static_cast<std::uint32_t>(step.outStart + k));
      }
      st_.literals += static_cast<std::uint32_t>(step.count);
    } else {
      ++st_.references;
    }
    lastKind_ = rule.kind;
    lastCount_ = step.count;
    lastStart_ = step.inStart;
    lastEnd_ = step.inEnd;
    return true;
  }

  std::uint32_t Commands() const { return commands_; }

private:
  // Whether a byte fill writes the bytes of a word fill of two equal bytes for less: always
  // where the word fill counts bytes; where it counts pairs, only where the byte fill's count
  // needs no longer header than the word fill's.
  static bool ByteFillIsCheaper(const TRule& wordFill, std::size_t count) {
    if (wordFill.unit == 1) return true;
    const std::size_t bytes = wordFill.unit * count;
    const std::size_t byteCost = bytes <= command::kShortCount ? 2 : 3;
    const std::size_t wordCost = count <= command::kShortCount ? 3 : 4;
    return bytes <= command::kMaxCount && byteCost < wordCost;
  }

  bool Wasteful(const TStep& step) const {
    const TRule& rule = *step.rule;
    const bool longForm = (s_[step.inStart] & 0xE0U) == 0xE0U;
    if (rule.alias || (longForm && step.count <= command::kShortCount && !rule.longOnly)) {
      return true;
    }
    const std::size_t arg = step.inStart + (longForm ? 2 : 1);
    if (rule.kind == command::kWordFill &&
        (s_[arg] == s_[arg + 1] ? ByteFillIsCheaper(rule, step.count)
                                : step.count == 1 && rule.unit == 1)) {
      return true;
    }
    if (rule.address == command::TAddress::kAbsolute && step.count == 1) return true;
    if (rule.kind == command::kDirect) return HasFiveEqual(s_.subspan(arg, step.inEnd - arg));
    // A byte fill after one of the same byte, a rising fill going on where the one before
    // stopped: one command writes both.
    const bool fits = lastCount_ + step.count <= command::kMaxCount;
    if (!fits || rule.kind != lastKind_) return false;
    if (rule.kind == command::kByteFill) return s_[arg] == s_[lastEnd_ - 1];
    return rule.kind == command::kIncFill &&
           s_[arg] == static_cast<std::uint8_t>(s_[lastEnd_ - 1] + lastCount_);
  }

  std::span<const std::uint8_t> s_;
  TStreamStats& st_;
  TKind lastKind_ = command::kInvalid;
  std::size_t lastCount_ = 0;
  std::size_t lastStart_ = 0;
  std::size_t lastEnd_ = 0;
  std::uint32_t commands_ = 0;
  std::uint32_t fillsInRow_ = 0;
};

// Whether the stream at pos fails at once, as the walk below would find: it ends before
// writing anything, or it starts with two direct copies in a row (fillers of 00 and of FF).
bool FailsAtOnce(std::span<const std::uint8_t> rom, std::size_t pos) {
  const unsigned h = rom[pos];
  if (h == 0xFFU) return true;
  if (h >= 0x20U) return false;
  const std::size_t next = pos + h + 2;  // after the header and its h + 1 bytes
  return next < rom.size() && (rom[next] < 0x20U || (rom[next] & 0xFCU) == 0xE0U);
}

template <const TCommandFormat& kFormat, int kScheme>
std::optional<TScanHit> CheckCommands(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats) {
  if (pos >= rom.size() || FailsAtOnce(rom, pos)) return std::nullopt;
  TStreamStats local;
  TStreamStats& st = FreshStats(stats, local);
  const auto s = rom.subspan(pos);
  TScanHook hook(s, st);
  const TCommandResult r = command::Walk<true>(kFormat, s, nullptr, kCommandOutputLimit, &hook);
  if (r.end != TCommandEnd::kEnd || r.written < std::max<std::uint32_t>(minSize, 1) ||
      r.written % 16 != 0) {
    return std::nullopt;
  }
  st.referenceBytes = r.written - st.literals;
  st.comprSize = r.consumed;
  st.enoughTokens = hook.Commands() >= kFactsCommands;
  st.factsMinOutput = kStrictFactsMinOutput;
  return TScanHit{pos, kScheme, r.written, r.consumed, 0};
}

}  // namespace

std::optional<TScanHit> CheckLCLZ2Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats) {
  return CheckCommands<TCommandFormat::LCLZ2, kSchemeLCLZ2>(rom, pos, minSize, stats);
}
std::optional<TScanHit> CheckLCLZ5Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats) {
  return CheckCommands<TCommandFormat::LCLZ5, kSchemeLCLZ5>(rom, pos, minSize, stats);
}
std::optional<TScanHit> CheckHALHit(std::span<const std::uint8_t> rom, std::size_t pos,
                                    std::uint32_t minSize, TStreamStats* stats) {
  return CheckCommands<TCommandFormat::HAL, kSchemeHAL>(rom, pos, minSize, stats);
}

}  // namespace tegulo
