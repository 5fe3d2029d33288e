// The edits of a ROM held in memory: what a change replaced, undoing it, the saved state,
// and the name a saved copy is offered under.
#include "rom/rom_edits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "base/uCommon.h"

using namespace tegulo;

namespace {

std::vector<std::uint8_t> RandomBytes(std::mt19937& rng, std::size_t n) {
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng());
  return v;
}

// `before` with a few runs overwritten, possibly resized.
std::vector<std::uint8_t> Edited(std::mt19937& rng, const std::vector<std::uint8_t>& before) {
  std::vector<std::uint8_t> after = before;
  const int runs = static_cast<int>(rng() % 5);
  for (int r = 0; r < runs && !after.empty(); ++r) {
    const std::size_t at = rng() % after.size();
    const std::size_t len = std::min<std::size_t>(1 + rng() % 40, after.size() - at);
    for (std::size_t i = 0; i < len; ++i) after[at + i] = static_cast<std::uint8_t>(rng());
  }
  switch (rng() % 4) {
    case 0: after.resize(after.size() + rng() % 50, 0xEE); break;
    case 1: after.resize(after.size() - std::min<std::size_t>(after.size(), rng() % 50)); break;
    default: break;
  }
  return after;
}

TEST(RomChange, RevertingGivesBackTheImageBeforeWhateverChanged) {
  std::mt19937 rng(15);
  for (int round = 0; round < 300; ++round) {
    const std::vector<std::uint8_t> before = RandomBytes(rng, rng() % 600);
    std::vector<std::uint8_t> after = Edited(rng, before);
    const TRomChange change = DiffRom(before, after);
    // Ranges rise, do not overlap, and hold only what the change needs.
    std::size_t end = 0, kept = 0;
    for (const auto& range : change.replaced) {
      EXPECT_GE(range.offset, end);
      end = range.offset + range.bytes.size();
      kept += range.bytes.size();
    }
    EXPECT_LE(kept, before.size());
    RevertChange(after, change);
    ASSERT_EQ(after, before) << "round " << round;
  }
}

TEST(RomChange, KeepsOnlyTheReplacedRunsJoiningNearOnes) {
  std::vector<std::uint8_t> before(1000, 0), after(1000, 0);
  after[10] = after[20] = 1;  // 9 equal bytes between: one range
  after[500] = 2;             // far away: a range of its own
  const TRomChange change = DiffRom(before, after);
  ASSERT_EQ(change.replaced.size(), 2u);
  EXPECT_EQ(change.replaced[0].offset, 10u);
  EXPECT_EQ(change.replaced[0].bytes.size(), 11u);
  EXPECT_EQ(change.replaced[1].offset, 500u);
  EXPECT_EQ(change.replaced[1].bytes.size(), 1u);
  EXPECT_TRUE(DiffRom(before, before).replaced.empty());
}

TEST(RomChange, AnImageThatDoesNotFitTheChangeIsLeftAlone) {
  TRomChange change;
  change.oldSize = 4;
  change.replaced.push_back({2, {1, 2, 3}});  // past the old size: not from a real diff
  std::vector<std::uint8_t> rom{9, 9, 9, 9, 9, 9};
  try {
    RevertChange(rom, change);
    FAIL() << "no error";
  } catch (const TError& e) {
    EXPECT_STREQ(e.what(), "The ROM does not match the change to undo");
  }
  EXPECT_EQ(rom, (std::vector<std::uint8_t>{9, 9, 9, 9, 9, 9}));
}

TEST(RomHistory, UndoesStepByStepBackToTheOpenedImage) {
  std::mt19937 rng(5);
  std::vector<std::uint8_t> rom = RandomBytes(rng, 256);
  std::vector<std::vector<std::uint8_t>> states{rom};
  TRomHistory history;
  history.Reset();
  EXPECT_FALSE(history.Modified());
  for (int i = 0; i < 4; ++i) {
    std::vector<std::uint8_t> next = Edited(rng, rom);
    history.Push(DiffRom(rom, next));
    rom = std::move(next);
    states.push_back(rom);
  }
  EXPECT_TRUE(history.Modified());
  EXPECT_EQ(history.Original(rom), states.front());
  EXPECT_EQ(rom, states.back()) << "Original works on a copy";
  for (int i = 3; i >= 0; --i) {
    history.Undo(rom);
    EXPECT_EQ(rom, states[static_cast<std::size_t>(i)]);
  }
  EXPECT_FALSE(history.CanUndo());
  EXPECT_FALSE(history.Modified());
  history.Undo(rom);  // nothing left: nothing happens
  EXPECT_EQ(rom, states.front());
}

TEST(RomHistory, RedoesWhatWasUndoneUntilANewChange) {
  // Random edits that grow and shrink the image: every undo and redo lands on the state
  // recorded when the change was made.
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> rom = RandomBytes(rng, 200);
    std::vector<std::vector<std::uint8_t>> states{rom};
    TRomHistory history;
    for (int i = 0; i < 5; ++i) {
      std::vector<std::uint8_t> next = Edited(rng, rom);
      history.Push(DiffRom(rom, next));
      rom = std::move(next);
      states.push_back(rom);
    }
    history.MarkSaved();
    for (int i = 4; i >= 1; --i) history.Undo(rom);
    ASSERT_EQ(rom, states[1]) << "seed " << seed;
    for (std::size_t i = 2; i <= 5; ++i) {
      ASSERT_TRUE(history.CanRedo()) << "seed " << seed;
      history.Redo(rom);
      ASSERT_EQ(rom, states[i]) << "seed " << seed << " redo to " << i;
    }
    EXPECT_FALSE(history.CanRedo());
    EXPECT_FALSE(history.Modified()) << "back at the saved image, seed " << seed;
    history.Undo(rom);
    history.Push(DiffRom(rom, Edited(rng, rom)));
    EXPECT_FALSE(history.CanRedo()) << "a new change drops what was undone, seed " << seed;
    history.Redo(rom);  // nothing to redo: nothing happens
    EXPECT_EQ(history.Depth(), 5u);
  }
}

TEST(RomHistory, UndoAndRedoStepsKeepTheirNamesAndSerials) {
  // Each row: an action on the history, then the names of the steps Undo and Redo would take
  // ("" for none) and whether Undo's serial is that of the step pushed at that row.
  enum class TAct { Push, Undo, Redo, Reset };
  struct TCase {
    TAct act;
    const char* name;  // of the step pushed
    const char* undo;
    const char* redo;
  };
  const TCase cases[] = {
      {TAct::Push, "Import", "Import", ""},  {TAct::Push, "Stroke", "Stroke", ""},
      {TAct::Undo, "", "Import", "Stroke"},  {TAct::Undo, "", "", "Import"},
      {TAct::Redo, "", "Import", "Stroke"},  {TAct::Push, "Palette", "Palette", ""},
      {TAct::Undo, "", "Import", "Palette"}, {TAct::Reset, "", "", ""},
      {TAct::Push, "Cell", "Cell", ""},
  };
  std::vector<std::uint8_t> rom(16, 0);
  TRomHistory history;
  std::vector<std::uint64_t> serials;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const TCase& c = cases[i];
    switch (c.act) {
      case TAct::Push: {
        std::vector<std::uint8_t> next = rom;
        next[i] = static_cast<std::uint8_t>(i + 1);
        TRomChange change = DiffRom(rom, next);
        change.name = c.name;
        history.Push(std::move(change));
        rom = std::move(next);
        serials.push_back(history.UndoStep()->serial);
        break;
      }
      case TAct::Undo: history.Undo(rom); break;
      case TAct::Redo:
        history.Redo(rom);
        EXPECT_EQ(history.UndoStep()->serial, serials.front()) << "a step redone keeps its serial";
        break;
      case TAct::Reset: history.Reset(); break;
    }
    const auto name = [](const TRomChange* step) { return step ? step->name : std::string(); };
    EXPECT_EQ(name(history.UndoStep()), c.undo) << "row " << i;
    EXPECT_EQ(name(history.RedoStep()), c.redo) << "row " << i;
  }
  // A step keeps its serial through Undo and Redo, and no two pushes share one, even
  // across a Reset.
  std::sort(serials.begin(), serials.end());
  EXPECT_EQ(std::adjacent_find(serials.begin(), serials.end()), serials.end());
  EXPECT_EQ(serials.size(), 4u);
  EXPECT_NE(serials.front(), 0u);
}

TEST(RomHistory, KnowsWhetherTheImageDiffersFromTheSavedOne) {
  TRomHistory history;
  const auto step = [] {
    TRomChange c;
    c.oldSize = 1;
    c.replaced.push_back({0, {0}});
    return c;
  };
  std::vector<std::uint8_t> rom{1};
  history.Push(step());
  history.Push(step());
  history.MarkSaved();
  EXPECT_FALSE(history.Modified());
  history.Undo(rom);
  EXPECT_TRUE(history.Modified()) << "one step below the saved image";
  history.Push(step());
  EXPECT_TRUE(history.Modified()) << "a different second step: the saved image is gone";
  history.Undo(rom);
  history.Push(step());
  EXPECT_TRUE(history.Modified());
  history.Reset();
  EXPECT_FALSE(history.Modified());
  EXPECT_FALSE(history.CanUndo());
}

// Steps that only changed the list (b: a byte step, l: a list-only step, s: save, u: undo,
// r: redo) leave the ROM unmodified; any byte step between the image and its save does not.
TEST(RomHistory, ListOnlyStepsLeaveTheImageUnmodified) {
  const struct {
    const char* ops;
    bool modified;
  } cases[] = {
      {"l", false},     {"ll", false},   {"lb", true},    {"bsl", false},    {"bslu", false},
      {"bslul", false}, {"bsu", true},   {"lsu", false},  {"lsuu", false},   {"blsuu", true},
      {"lsur", false},  {"bsuul", true}, {"lbsuu", true}, {"blsuur", false}, {"blsuurr", false},
  };
  for (const auto& c : cases) {
    TRomHistory history;
    std::vector<std::uint8_t> rom{1};
    for (const char* op = c.ops; *op != '\0'; ++op) {
      TRomChange step;
      step.oldSize = 1;
      switch (*op) {
        case 'b':
          step.replaced.push_back({0, {rom[0]}});
          rom[0] = static_cast<std::uint8_t>(rom[0] + 1);
          history.Push(std::move(step));
          break;
        case 'l':
          step.listOnly = true;
          history.Push(std::move(step));
          break;
        case 's': history.MarkSaved(); break;
        case 'u': history.Undo(rom); break;
        case 'r': history.Redo(rom); break;
      }
    }
    EXPECT_EQ(history.Modified(), c.modified) << c.ops;
  }
}

TEST(EditedRomName, AddsTheSuffixBeforeTheExtensionOnce) {
  EXPECT_EQ(EditedRomName("/roms/game.sfc"), "/roms/game-edited.sfc");
  EXPECT_EQ(EditedRomName("/roms/a.b/game.v1.gba"), "/roms/a.b/game.v1-edited.gba");
  EXPECT_EQ(EditedRomName("/roms/a.b/game"), "/roms/a.b/game-edited");
  EXPECT_EQ(EditedRomName("/roms/.hidden"), "/roms/.hidden-edited");
  EXPECT_EQ(EditedRomName("game.smc"), "game-edited.smc");
  EXPECT_EQ(EditedRomName("/roms/game-edited.sfc"), "/roms/game-edited.sfc");
}

}  // namespace
