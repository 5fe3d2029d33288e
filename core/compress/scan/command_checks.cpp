// The scan's checkers of the SNES command formats: the walk of command_walk.h without output,
// told of each command, judging it by the format's table.
#include <algorithm>
#include <array>
#include <cstdint>

#include "compress/commands/command_formats.h"
#include "compress/commands/command_walk.h"
#include "compress/scan/command_junction.h"
#include "compress/scan/command_lead_in.h"
#include "compress/scheme_formats.h"
#include "compress/shared/stream_check.h"

namespace tegulo {
namespace {

using command::TKind;
using command::TRule;
using command::TStep;

constexpr std::uint32_t kFactsCommands = kCommandFactsEvidence;
// Commands that chance bytes make far more rarely than a fill count as more than one: a copy
// from an address, which must lie inside the few bytes written so far (chance addresses span
// 64 KiB), and a direct copy of the longest count, whose two header bytes are exact (an
// encoder writes a long run of bytes that do not pack as such copies, each joined to the
// next: a stream of sound or of noise).
constexpr std::uint32_t kCopyEvidence = 2;
constexpr std::uint32_t kFullDirectEvidence = 6;
// A fill of zero bytes longer than a short header's count: a long header of one of four
// first bytes and an argument of 0 (a chance one is 1 in 16,384), which an encoder writes for
// every stretch of blank tiles.
constexpr std::uint32_t kZeroFillEvidence = 7;
// Fills of blank or solid rows (a byte fill of 00 or FF, a word fill of two such bytes), as
// small fonts and 1bpp-like tiles pack: of the fills in lists that chance bytes make, 4 % are
// such and hardly two in one list (the value after a chance header is any byte), so from the
// second on each counts as more than one command. One alone is no sign: font tiles hold a
// 3E 00, a fill of 31 zeros.
constexpr std::uint32_t kMinSolidFills = 2;
constexpr std::uint32_t kSolidFillEvidence = 2;
// Increasing fills in a row that no encoder's stream of tile data holds: rising runs are
// rare in graphics, while text reads as lists of them (every lower-case letter is one).
constexpr std::uint32_t kMaxIncFillsInRow = 3;
// A quiet wave holds such rows though: where its samples climb one by one for two or more in
// turn, a shortest parse writes each stretch as a rising fill (two bytes for the lot), and
// each starts within a few steps of the last byte of the one before, as the wave goes on.
// Chance text starts the next fill at any letter; so only a row with a junction farther
// than this counts.
constexpr int kMaxWaveStep = 4;
// The longest rising run that tile data holds: more than a row of 8-bit pixels rising one by
// one is a gradient no tile art draws, while text and rising tables read as such fills.
constexpr std::size_t kMaxIncFillBytes = 8;

// Output of 15-bit words (colours, tilemap entries): every high byte below 0x80. Each literal
// is a byte chance lists choose at random: 24 high bytes of them all clear is 1 in 16 million
// in noise, and rare enough in sparse tile art, whose bytes are often clear (16 let chance lists
// in font tiles through). A fill's many bytes are one chance byte, so only literals count
// towards it, though a fill's bytes must keep the rule too. Text and blank data have their low
// bytes clear as well, so at least one literal low byte in kWordLowShare must be set. With the
// list's own command it is the evidence a list needs: a palette of a few ramps packs to one
// direct copy. (Chance lists in the mixed data of a ROM meet it almost never; inside a table
// of raw colours, where chance lists that meet the other facts are common anyway, it adds
// about one in eight to them.)
constexpr std::uint32_t kWordMinHighBytes = 24;
constexpr std::uint32_t kWordLowShare = 8;
constexpr std::uint32_t kWordEvidence = 7;

// Counts the high and low bytes of 16-bit words that literals write, and those with bit 7 set;
// and whether a fill sets a high byte's bit 7.
class TWordBytes {
public:
  void Add(command::TKind kind, std::size_t outStart, std::size_t n, const std::uint8_t* arg) {
    const bool firstOdd = (outStart & 1U) != 0;
    switch (kind) {
      case command::kByteFill: fillSetsHigh_ |= n > 1 || firstOdd ? arg[0] >= 0x80U : false; return;
      case command::kWordFill:
        // arg[0] at outStart, outStart + 2, ...; arg[1] between them.
        fillSetsHigh_ |= (firstOdd ? arg[0] : arg[1]) >= 0x80U;
        return;
      case command::kIncFill:
        for (std::size_t k = 0; k < n; ++k) {
          fillSetsHigh_ |=
              ((outStart + k) & 1U) != 0 && static_cast<std::uint8_t>(arg[0] + k) >= 0x80U;
        }
        return;
      case command::kDirect:
        for (std::size_t k = 0; k < n; ++k) {
          const bool set = arg[k] >= 0x80U;
          if (((outStart + k) & 1U) != 0) {
            ++high_;
            highSet_ += set ? 1 : 0;
          } else {
            ++low_;
            lowSet_ += set ? 1 : 0;
          }
        }
        return;
      default: return;
    }
  }

  // kWordEvidence where the bytes read as 15-bit words, else 0.
  std::uint32_t Evidence() const {
    const bool words = high_ >= kWordMinHighBytes && highSet_ == 0 && !fillSetsHigh_ &&
                       lowSet_ * kWordLowShare >= low_;
    return words ? kWordEvidence : 0;
  }

private:
  std::size_t high_ = 0;
  std::size_t low_ = 0;
  std::size_t highSet_ = 0;
  std::size_t lowSet_ = 0;
  bool fillSetsHigh_ = false;
};

bool IsFill(const TRule& rule) {
  return rule.address == command::TAddress::kNone && rule.kind != command::kDirect;
}

// A list whose first commands are no more than kLeadInCommands fills that write more than all
// the rest, and whose rest would stand alone as a list (every copy reading bytes that rest
// wrote, whole 16-byte units) with enough evidence of its own: the fills are chance bytes
// before a real list that run into it (a long header's fill writes hundreds of bytes), the
// rest is the list. A real list seldom opens with more than it holds after, unless that is
// blank (a fill of zeros, itself evidence, is no such fill).
constexpr std::uint32_t kLeadInCommands = 2;

// Follows, for each of the first kLeadInCommands boundaries between commands, whether the
// rest of the list read from there would stand alone.
class TLeadIn {
public:
  // `headroom`: for a copy, how far the output may move down with every copy still reading
  // written bytes (an absolute address stays where it is while the output moves; a relative
  // source moves with it), else kNoCopy; `evidence`: the list's evidence up to this command.
  static constexpr std::size_t kNoCopy = SIZE_MAX;
  void Add(const command::TStep& step, bool zeroFill, std::size_t headroom,
           std::uint32_t evidence) {
    for (std::uint32_t k = 0; k < kLeadInCommands && k < commands_; ++k) {
      if (headroom < written_[k]) fine_[k] = false;
    }
    if (commands_ < kLeadInCommands) {
      fills_ = fills_ && IsFill(*step.rule) && !zeroFill;
      written_[commands_] = step.outStart + step.count * step.rule->unit;
      evidence_[commands_] = evidence;
      fine_[commands_] = fills_;
    }
    ++commands_;
  }

  // Whether the list of `written` bytes and `evidence` in all opens with such fills.
  bool LeadsIn(std::size_t written, std::uint32_t evidence, std::uint32_t minSize) const {
    for (std::uint32_t k = 0; k < kLeadInCommands && k + 1 < commands_; ++k) {
      const std::size_t rest = written - written_[k];
      if (fine_[k] && written_[k] > rest && rest % 16 == 0 &&
          rest >= std::max<std::uint32_t>(minSize, 1) &&
          evidence - evidence_[k] >= kFactsCommands) {
        return true;
      }
    }
    return false;
  }

private:
  std::uint32_t commands_ = 0;
  bool fills_ = true;
  std::array<std::size_t, kLeadInCommands> written_{};     // after command k
  std::array<std::uint32_t, kLeadInCommands> evidence_{};  // up to command k
  std::array<bool, kLeadInCommands> fine_{};
};

// The header's bytes for a count.
std::size_t HeaderBytes(std::size_t count) { return count <= command::kShortCount ? 1 : 2; }

bool HasFiveEqual(std::span<const std::uint8_t> bytes) {
  for (std::size_t k = 4; k < bytes.size(); ++k) {
    if (bytes[k] == bytes[k - 1] && bytes[k] == bytes[k - 2] && bytes[k] == bytes[k - 3] &&
        bytes[k] == bytes[k - 4]) {
      return true;
    }
  }
  return false;
}

// What a scan asks of a command stream beyond its rules: no two direct copies in a row and
// no command that repeats the one before byte for byte (the first short of the longest), as
// an encoder would have joined them; the literal and copy figures of the score. Commands that
// cost more than another way of writing the same bytes count as wasteful (the facts of the
// score): a long form for a count of 32 or less, a command no encoder writes, a word fill of
// two equal bytes or of one byte, a rising fill of one byte, an absolute copy of one byte, a fill
// that goes on the fill before it, a direct copy holding five equal bytes in a row, a short command
// beside a direct copy that would take its bytes for less, a fill beside a direct copy whose bytes
// go on with its pattern; and, as tile data holds none, a rising fill longer than kMaxIncFillBytes
// and kMaxIncFillsInRow rising fills in a row that do not follow a wave. Fills in long rows are no
// sign: the shortest streams of tilemaps are lists of word fills.
class TScanHook final : public command::TCommandHook {
public:
  TScanHook(std::span<const std::uint8_t> s, TStreamStats& st, bool bigEndian)
      : s_(s), st_(st), bigEndian_(bigEndian) {}

  bool Step(const TStep& step) override {
    const TRule& rule = *step.rule;
    const TCommand cur = Describe(step);
    CountIncFills(step, cur);
    const int value = OneValue(step, cur);
    if (Wasteful(step) || (incFillsInRow_ >= kMaxIncFillsInRow && roughIncFills_) ||
        Absorbable(last_, cur) || FillTakesLiterals(last_, cur) ||
        JoinsOneValue(step, cur, value) || RepeatsGroup(step)) {
      // The stream misses the facts: where only those that meet them count, stop here.
      if (st_.factsOnly) return false;
      ++st_.wastefulTokens;
    }
    if (OpensTheList(step) && rule.kind == command::kDirect && cur.arg == step.inStart + 2) {
      firstDirect_ = step.count;
      firstDirectAt_ = step.inStart;
    }
    starts_[commands_ % kKeptStarts] = {step.inStart, step.outStart,
                                        rule.address != command::TAddress::kNone};
    ++commands_;
    Weigh(step, cur);
    leadIn_.Add(step, ZeroArgs(step, cur), Headroom(step, cur), Evidence());
    const bool same = SameAsLast(step);
    if (RepeatsLast(step, same)) return false;
    sameRepeated_ =
        same && (rule.kind == command::kIncFill || rule.address == command::TAddress::kAbsolute);
    if (rule.kind == command::kDirect) {
      for (std::size_t k = 0; k < step.count; ++k) {
        st_.MarkLiteral(static_cast<std::uint32_t>(step.outStart + k));
      }
      st_.literals += static_cast<std::uint32_t>(step.count);
    } else {
      ++st_.references;
    }
    lastKind_ = rule.kind;
    lastRule_ = &rule;
    lastValue_ = value;
    lastCount_ = step.count;
    lastStart_ = step.inStart;
    lastEnd_ = step.inEnd;
    last_ = cur;
    return true;
  }

  // The commands, weighed as evidence against chance bytes (kCopyEvidence).
  std::uint32_t Evidence() const {
    const std::uint32_t solid =
        solidFills_ >= kMinSolidFills ? kSolidFillEvidence * solidFills_ : 0;
    return commands_ + evidence_ + solid + words_.Evidence();
  }
  const TLeadIn& LeadIn() const { return leadIn_; }
  // The count of the first command where it is a direct copy with a two-byte header, else 0;
  // and where that starts in the stream. A fill of at most kMaxOpeningFill bytes before it
  // counts as none: a shortest parse writes a wave's first samples so where they repeat
  // (a b a), and chance bytes inside a wave seldom read as such a fill and then a copy.
  std::size_t FirstDirect() const { return firstDirect_; }
  std::size_t FirstDirectAt() const { return firstDirectAt_; }
  // Whether the last command is a fill of zeros that counts kZeroFillEvidence.
  bool EndsWithZeroFill() const { return lastZeroFill_; }

private:
  // A command as the rules below compare it with its neighbour.
  struct TCommand {
    const TRule* rule = nullptr;  // none before the first
    std::size_t count = 0;
    std::size_t bytes = 0;  // of output
    std::size_t cost = 0;   // of stream, the header included
    std::size_t arg = 0;    // where its arguments (a direct copy's bytes) start in the stream
  };

  TCommand Describe(const TStep& step) const {
    const std::size_t header = (s_[step.inStart] & 0xE0U) == 0xE0U ? 2 : 1;
    return {step.rule, step.count, step.count * step.rule->unit, step.inEnd - step.inStart,
            step.inStart + header};
  }

  // Follows the rising fills in a row and whether one of them starts farther than
  // kMaxWaveStep from the last byte of the one before.
  void CountIncFills(const TStep& step, const TCommand& cur) {
    if (step.rule->kind != command::kIncFill) {
      incFillsInRow_ = 0;
      roughIncFills_ = false;
      return;
    }
    if (++incFillsInRow_ == 1) return;
    const auto lastByte = static_cast<std::uint8_t>(s_[lastEnd_ - 1] + lastCount_ - 1);
    const auto step8 = static_cast<std::int8_t>(s_[cur.arg] - lastByte);
    roughIncFills_ = roughIncFills_ || step8 < -kMaxWaveStep || step8 > kMaxWaveStep;
  }

  // Whether the command is the list's first, or follows only a fill of kMaxOpeningFill bytes
  // at most.
  bool OpensTheList(const TStep& step) const {
    return commands_ == 0 ||
           (commands_ == 1 && IsFill(*lastRule_) && step.outStart <= kMaxOpeningFill);
  }

  // Where the command before the one `back` commands back starts in the stream and output
  // (1: the command before this one).
  struct TStart {
    std::size_t in = 0;
    std::size_t out = 0;
    bool copy = false;  // a copy from the output
  };
  TStart StartOf(std::uint32_t back) const { return starts_[(commands_ - back) % kKeptStarts]; }

  // The command ends a group of two or three fills and direct copies whose stream bytes are
  // those of the group just before, so its output is too: one copy of the output that group
  // wrote (at most a long header and two address bytes) would write it for less. Periodic data
  // (rows of tiles, tilemaps, tables) reads as such lists; an encoder copies what it wrote a
  // moment ago. (A copy from an address relative to the output reads other bytes each time.)
  bool RepeatsGroup(const TStep& step) const {
    bool copies = step.rule->address != command::TAddress::kNone;
    for (std::uint32_t g = 2; g <= kMaxGroupCommands && 2 * g <= commands_ + 1; ++g) {
      const TStart group = StartOf(g - 1);
      const TStart before = StartOf(2 * g - 1);
      copies = copies || group.copy;
      const std::size_t bytes = step.inEnd - group.in;
      const std::size_t written = step.outStart + step.count * step.rule->unit - group.out;
      const std::size_t copyCost = written <= command::kShortCount ? 3 : 4;
      if (copies || written > command::kMaxCount) return false;
      if (group.in - before.in == bytes && bytes > copyCost &&
          std::equal(s_.begin() + static_cast<std::ptrdiff_t>(before.in),
                     s_.begin() + static_cast<std::ptrdiff_t>(group.in),
                     s_.begin() + static_cast<std::ptrdiff_t>(group.in))) {
        return true;
      }
    }
    return false;
  }

  // A short command beside a direct copy that the copy would take for less: its bytes cost
  // fewer than the command (the copy's header growing where its count passes 32).
  static bool Absorbable(const TCommand& a, const TCommand& b) {
    if (a.rule == nullptr ||
        (a.rule->kind == command::kDirect) == (b.rule->kind == command::kDirect)) {
      return false;
    }
    const TCommand& direct = a.rule->kind == command::kDirect ? a : b;
    const TCommand& other = a.rule->kind == command::kDirect ? b : a;
    const std::size_t joined = direct.count + other.bytes;
    if (joined > command::kMaxCount) return false;
    const std::size_t growth = HeaderBytes(joined) - HeaderBytes(direct.count);
    return other.bytes + growth < other.cost;
  }

  // The byte that a fill's pattern holds at offset k from its start (k may be negative).
  std::uint8_t Pattern(const TCommand& fill, std::ptrdiff_t k) const {
    const std::uint8_t a = s_[fill.arg];
    switch (fill.rule->kind) {
      case command::kIncFill: return static_cast<std::uint8_t>(a + k);
      case command::kWordFill: return (k & 1) == 0 ? a : s_[fill.arg + 1];
      default: return a;
    }
  }

  // A fill beside a direct copy whose bytes next to it go on with the fill's pattern: the
  // fill would write them for less.
  bool FillTakesLiterals(const TCommand& a, const TCommand& b) const {
    if (a.rule == nullptr) return false;
    const bool directFirst = a.rule->kind == command::kDirect;
    const TCommand& direct = directFirst ? a : b;
    const TCommand& fill = directFirst ? b : a;
    // A fill counted in pairs cannot take a single byte.
    if (direct.rule->kind != command::kDirect || !IsFill(*fill.rule) || fill.rule->unit != 1) {
      return false;
    }
    std::size_t k = 0;
    const std::size_t most = std::min<std::size_t>(direct.count, 3);
    for (; k < most; ++k) {
      const std::uint8_t literal =
          directFirst ? s_[direct.arg + direct.count - 1 - k] : s_[direct.arg + k];
      const auto at = directFirst ? -static_cast<std::ptrdiff_t>(k) - 1
                                  : static_cast<std::ptrdiff_t>(fill.count + k);
      if (literal != Pattern(fill, at)) break;
    }
    if (k == 0 || fill.count + k > command::kMaxCount) return false;
    const std::size_t left = direct.count - k;
    const std::size_t saved = k + HeaderBytes(direct.count) - (left == 0 ? 0 : HeaderBytes(left));
    const std::size_t growth = HeaderBytes(fill.count + k) - HeaderBytes(fill.count);
    return saved > growth;
  }

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
    // A rising fill of one byte writes what a byte fill of one byte does, which encoders take.
    if (rule.kind == command::kIncFill && (step.count > kMaxIncFillBytes || step.count == 1)) {
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

  // The value of every byte a byte fill, or a word fill of two equal bytes, writes; else -1.
  int OneValue(const TStep& step, const TCommand& cur) const {
    const command::TKind kind = step.rule->kind;
    const bool one = kind == command::kByteFill ||
                     (kind == command::kWordFill && s_[cur.arg] == s_[cur.arg + 1]);
    return one ? s_[cur.arg] : -1;
  }

  // A fill of one value after one of the same value of the other kind (a byte fill and a word
  // fill of two equal bytes, as chance bytes of one value read): one byte fill writes both for
  // less where they fit its count. (Two of one kind are Wasteful's.)
  bool JoinsOneValue(const TStep& step, const TCommand& cur, int value) const {
    return value >= 0 && value == lastValue_ && step.rule->kind != lastKind_ &&
           last_.bytes + cur.bytes <= command::kMaxCount;
  }

  // A byte or word fill of zeros.
  bool ZeroArgs(const TStep& step, const TCommand& cur) const {
    const command::TKind kind = step.rule->kind;
    return (kind == command::kByteFill || kind == command::kWordFill) && s_[cur.arg] == 0 &&
           (kind != command::kWordFill || s_[cur.arg + 1] == 0);
  }

  // A byte fill of 00 or FF, or a word fill of two such bytes: blank or solid rows of tiles.
  bool SolidArgs(const TStep& step, const TCommand& cur) const {
    const command::TKind kind = step.rule->kind;
    const auto solid = [](std::uint8_t b) { return b == 0x00 || b == 0xFF; };
    return (kind == command::kByteFill && solid(s_[cur.arg])) ||
           (kind == command::kWordFill && solid(s_[cur.arg]) && solid(s_[cur.arg + 1]));
  }

  // TLeadIn's headroom of the command.
  std::size_t Headroom(const TStep& step, const TCommand& cur) const {
    const TRule& rule = *step.rule;
    if (rule.address == command::TAddress::kRelative) return step.outStart - s_[cur.arg];
    if (rule.address == command::TAddress::kNone) return TLeadIn::kNoCopy;
    const std::size_t a = s_[cur.arg];
    const std::size_t b = s_[cur.arg + 1];
    return step.outStart - (bigEndian_ ? a << 8U | b : b << 8U | a) - 1;
  }

  // Adds what the command tells beyond its count to the evidence.
  void Weigh(const TStep& step, const TCommand& cur) {
    const TRule& rule = *step.rule;
    lastZeroFill_ = step.count > command::kShortCount && ZeroArgs(step, cur);
    if (lastZeroFill_) {
      evidence_ += kZeroFillEvidence;
    } else if (SolidArgs(step, cur)) {
      ++solidFills_;
    }
    if (rule.address == command::TAddress::kAbsolute) evidence_ += kCopyEvidence;
    if (rule.kind == command::kDirect && step.count == command::kMaxCount) {
      evidence_ += kFullDirectEvidence;
    }
    words_.Add(rule.kind, step.outStart, step.count * rule.unit, s_.data() + cur.arg);
  }

  // Whether the command's bytes in the stream are those of the one before.
  bool SameAsLast(const TStep& step) const {
    return step.inEnd - step.inStart == lastEnd_ - lastStart_ &&
           std::equal(s_.begin() + static_cast<std::ptrdiff_t>(step.inStart),
                      s_.begin() + static_cast<std::ptrdiff_t>(step.inEnd),
                      s_.begin() + static_cast<std::ptrdiff_t>(lastStart_));
  }

  // Whether an encoder would have written the command and the one before as one (the one
  // before short of the longest count): two direct copies, or a command that repeats the one
  // before byte for byte (`same`). A word fill of an odd count of bytes twice is no such pair:
  // joined, its pattern would run on (a b a b a) where the two start it again (a b a a b a).
  // Nor is a rising fill twice, a saw (v .. v + 3, v .. v + 3) that a quiet wave holds and
  // no one command writes; nor a copy from one address twice, a block written twice in a row
  // that one copy from there writes only where the source repeats it too. A third time, a
  // copy of the first two would write it for less (and runs of one byte read as such rows).
  bool RepeatsLast(const TStep& step, bool same) const {
    const TRule& rule = *step.rule;
    if (lastCount_ >= command::kMaxCount) return false;
    if (rule.kind == command::kDirect && lastKind_ == command::kDirect) return true;
    if (rule.kind == command::kWordFill && rule.unit == 1 && step.count % 2 == 1) return false;
    if (rule.kind == command::kIncFill || rule.address == command::TAddress::kAbsolute) {
      return same && sameRepeated_;
    }
    return same;
  }

  std::span<const std::uint8_t> s_;
  TStreamStats& st_;
  TKind lastKind_ = command::kInvalid;
  int lastValue_ = -1;  // OneValue of the command before
  std::size_t lastCount_ = 0;
  std::size_t lastStart_ = 0;
  std::size_t lastEnd_ = 0;
  std::uint32_t commands_ = 0;
  std::uint32_t evidence_ = 0;
  std::uint32_t solidFills_ = 0;
  TWordBytes words_;
  TLeadIn leadIn_;
  bool bigEndian_;
  std::uint32_t incFillsInRow_ = 0;
  bool roughIncFills_ = false;  // a junction in the row farther than kMaxWaveStep
  // The command before: a rising fill or a copy from an address, the one before it again.
  bool sameRepeated_ = false;
  std::size_t firstDirect_ = 0;
  std::size_t firstDirectAt_ = 0;
  const TRule* lastRule_ = nullptr;  // of the command before
  static constexpr std::size_t kMaxOpeningFill = 3;
  static constexpr std::uint32_t kMaxGroupCommands = 3;
  static constexpr std::uint32_t kKeptStarts = 2 * kMaxGroupCommands;
  std::array<TStart, kKeptStarts> starts_{};  // of the last commands, by count modulo
  bool lastZeroFill_ = false;  // the command before: a long fill of zeros (kZeroFillEvidence)
  TCommand last_;
};

// Whether the list of `listBytes` at `pos` of `rom`, from its last fill's count byte on (a long
// header's second byte), lies inside a run of two bytes in turn that goes on after it for two
// pairs. Solid rows of 2bpp tiles (FF 00 FF 00 ...) read as a long fill of zeros (a count byte
// of FF, the zero, the end byte) wherever a long header's first byte comes before them; an
// encoder's list ends where its data does, and what follows it seldom goes on with its bytes.
bool RunsOnPastTheEnd(std::span<const std::uint8_t> rom, std::size_t pos, std::size_t listBytes) {
  const std::size_t end = pos + listBytes;
  if (listBytes < 4 || end + 4 > rom.size()) return false;
  for (std::size_t k = end - 3; k < end + 2; ++k) {
    if (rom[k] != rom[k + 2]) return false;
  }
  return true;
}

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
  TScanHook hook(s, st, kFormat.bigEndian);
  const TCommandResult r = command::Walk<true>(kFormat, s, nullptr, kCommandOutputLimit, &hook);
  if (r.end != TCommandEnd::kEnd || r.written < std::max<std::uint32_t>(minSize, 1) ||
      r.written % 16 != 0) {
    return std::nullopt;
  }
  st.referenceBytes = r.written - st.literals;
  st.comprSize = r.consumed;
  std::uint32_t evidence = hook.Evidence();
  // A fill of zeros that ends the list inside such a run tells nothing.
  if (hook.EndsWithZeroFill() && RunsOnPastTheEnd(rom, pos, r.consumed)) {
    evidence -= kZeroFillEvidence;
  }
  if (evidence < kFactsCommands) {
    const std::size_t at = hook.FirstDirectAt();
    evidence += StoredWaveEvidence(rom, pos + at, hook.FirstDirect(), r.consumed - at);
  }
  st.enoughTokens =
      evidence >= kFactsCommands && !hook.LeadIn().LeadsIn(r.written, evidence, minSize);
  st.factsMinOutput = kStrictFactsMinOutput;
  return TScanHit{pos, kScheme, r.written, r.consumed, 0};
}

// Counts the copies whose output a fill writes for less (see WastefulLCLZ2Copies).
class TCopyFacts final : public command::TCommandHook {
public:
  explicit TCopyFacts(std::span<const std::uint8_t> output) : out_(output) {}

  bool Step(const TStep& step) override {
    const TRule& rule = *step.rule;
    const std::size_t n = step.count * rule.unit;
    if (rule.address == command::TAddress::kNone || step.outStart + n > out_.size() || n < 2) {
      return true;
    }
    // A fill of the same count costs one argument byte; so do relative copies (a tie).
    if (rule.argBytes <= 1) return true;
    const std::uint8_t* o = out_.data() + step.outStart;
    bool same = true;
    bool rising = true;
    for (std::size_t k = 1; k < n && (same || rising); ++k) {
      same = same && o[k] == o[0];
      rising = rising && o[k] == static_cast<std::uint8_t>(o[0] + k);
    }
    if (same || rising) ++wasteful_;
    return true;
  }

  std::uint32_t Wasteful() const { return wasteful_; }

private:
  std::span<const std::uint8_t> out_;
  std::uint32_t wasteful_ = 0;
};

template <const TCommandFormat& kFormat>
std::uint32_t WastefulCopies(std::span<const std::uint8_t> stream,
                             std::span<const std::uint8_t> output) {
  TCopyFacts facts(output);
  command::Walk<true>(kFormat, stream, nullptr, kCommandOutputLimit, &facts);
  return facts.Wasteful();
}

}  // namespace

std::uint32_t WastefulLCLZ2Copies(std::span<const std::uint8_t> stream,
                                  std::span<const std::uint8_t> output) {
  return WastefulCopies<TCommandFormat::LCLZ2>(stream, output);
}
std::uint32_t WastefulLCLZ5Copies(std::span<const std::uint8_t> stream,
                                  std::span<const std::uint8_t> output) {
  return WastefulCopies<TCommandFormat::LCLZ5>(stream, output);
}
std::uint32_t WastefulHALCopies(std::span<const std::uint8_t> stream,
                                std::span<const std::uint8_t> output) {
  return WastefulCopies<TCommandFormat::HAL>(stream, output);
}
std::uint32_t WastefulLCLZ1Copies(std::span<const std::uint8_t> stream,
                                  std::span<const std::uint8_t> output) {
  return WastefulCopies<TCommandFormat::LCLZ1>(stream, output);
}

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
std::optional<TScanHit> CheckLCLZ1Hit(std::span<const std::uint8_t> rom, std::size_t pos,
                                      std::uint32_t minSize, TStreamStats* stats) {
  return CheckCommands<TCommandFormat::LCLZ1, kSchemeLCLZ1>(rom, pos, minSize, stats);
}

}  // namespace tegulo
