// The edits made to a ROM image held in memory: what each one replaced, so that it can be
// taken back step by step, and the name a saved copy is offered under.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tegulo {

// One change of a ROM image: the bytes it replaced, by range, and the image's size before it.
struct TRomChange {
  struct TRange {
    std::size_t offset = 0;
    std::vector<std::uint8_t> bytes;  // what the image held there before the change
  };
  std::vector<TRange> replaced;  // in rising order, not overlapping
  std::size_t oldSize = 0;
  // What the step did, as the Undo and Redo actions name it ("Import", "Stroke"...); set by
  // whoever pushes it. DiffRom leaves it empty.
  std::string name;
  // Given by TRomHistory::Push: tells the steps apart, so that a caller can keep more about
  // a step (say, entry addresses it moved) and find it again at Undo and Redo. 0 before.
  std::uint64_t serial = 0;
  // The step changed what the window lists (entries added), not the image: it takes its place
  // in Undo and Redo, but a ROM whose only steps since its save are such is not modified.
  bool listOnly = false;
};

// The change that turns `before` into `after`: every run of differing bytes (runs closer than
// 16 bytes are kept as one) with the bytes `before` held there; when `before` is longer, its
// tail is one more range. An image that grew goes back to its old size when reverted.
TRomChange DiffRom(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after);

// Puts back what `change` replaced: `rom` becomes the image before the change. Throws TError
// "The ROM does not match the change to undo" (and leaves `rom` alone) when a replaced range
// lies beyond the image's old size.
void RevertChange(std::vector<std::uint8_t>& rom, const TRomChange& change);

// The changes since a ROM was opened, newest last, and which of those states was saved.
class TRomHistory {
public:
  // Forgets every change: the image as it is now is the one opened, and it is saved.
  void Reset();
  // Keeps `change` as the newest step, with a serial no other step of this history has had.
  void Push(TRomChange change);
  bool CanUndo() const { return !steps_.empty(); }
  std::size_t Depth() const { return steps_.size(); }
  // Reverts the newest change in `rom` and keeps it for Redo; does nothing when there is
  // none. A Push forgets every change kept for Redo.
  void Undo(std::vector<std::uint8_t>& rom);
  bool CanRedo() const { return !redo_.empty(); }
  // Makes again the change undone last; does nothing when there is none.
  void Redo(std::vector<std::uint8_t>& rom);
  // The step Undo would revert and the one Redo would make again (name and serial); null
  // when there is none.
  const TRomChange* UndoStep() const { return steps_.empty() ? nullptr : &steps_.back(); }
  const TRomChange* RedoStep() const { return redo_.empty() ? nullptr : &redo_.back().step; }
  // The image as it is now is the one on disk.
  void MarkSaved();
  // The image differs from the last one opened or saved (as far as the steps tell): a step
  // that changed bytes lies between the two, or the saved image can no longer come back.
  bool Modified() const;
  // The image as opened: `rom` with every change reverted, newest first.
  std::vector<std::uint8_t> Original(std::span<const std::uint8_t> rom) const;

private:
  std::vector<TRomChange> steps_;
  // Undone changes, newest last: each puts back the bytes its Undo replaced, and the change
  // itself, to be pushed again.
  struct TRedo {
    TRomChange forward;
    TRomChange step;
  };
  std::vector<TRedo> redo_;
  // The depth at which the image was saved; -1 once that state cannot come back (an undo
  // went below it and another change followed).
  std::ptrdiff_t savedDepth_ = 0;
  std::uint64_t lastSerial_ = 0;  // not reset: serials stay unique for the history's life
};

// "/dir/NAME.EXT" becomes "/dir/NAME-edited.EXT" ("NAME-edited" without an extension); a name
// that already ends in "-edited" is kept, so that saving again offers the same file.
std::string EditedRomName(const std::string& path);

}  // namespace tegulo
