// Relocation: the place for a grown stream, the pointers that follow it, and the proof.
#include "rom/relocate.h"

#include <algorithm>
#include <memory>

#include "base/numbers.h"
#include "base/stream_view.h"
#include "base/uCommon.h"
#include "compress/refresh.h"
#include "compress/stream_extent.h"
#include "image/render.h"
#include "rom/free_space.h"

namespace tegulo {
namespace {

// Free space that follows data keeps this many bytes from it: data may end in fill bytes.
constexpr std::int64_t kGuard = 16;

std::string Address(std::int64_t a) { return FormatAddress(static_cast<std::int32_t>(a)); }
std::string ByteText(std::uint8_t b) { return "$" + FormatAddress(b).substr(5); }

class TPlacer {
public:
  TPlacer(std::span<const std::uint8_t> rom, const TTileEntry& entry, const TRelocateOptions& o)
      : TPlacer(rom, entry.Address,
                StreamBytesUsed(entry.Compression, StreamAt(rom, entry.Address)), o) {}
  TPlacer(std::span<const std::uint8_t> rom, std::int64_t from, std::size_t oldLength,
          const TRelocateOptions& o)
      : rom_(rom), o_(o), from_(from), oldEnd_(from + static_cast<std::int64_t>(oldLength)) {}

  std::int64_t Place(std::size_t length) {
    FindHits();
    const auto size = static_cast<std::int64_t>(length);
    if (o_.address) {
      if (const std::string why = Unfit(*o_.address, size); !why.empty()) {
        throw TError("The new stream of " + std::to_string(length) + " bytes cannot go to " +
                     Address(*o_.address) + ": " + why + "; nothing was written");
      }
      return *o_.address;
    }
    return Choose(size);
  }

  const std::vector<TPointerHit>& Hits() const { return hits_; }
  std::int64_t OldEnd() const { return oldEnd_; }

private:
  void FindHits() {
    if (o_.layout.mapping == TMapping::None) {
      throw TError("The ROM's layout is not known from its headers; nothing was written");
    }
    if (o_.pointers.empty()) {
      FindConfirmedHits();
    } else {
      for (const std::int64_t at : o_.pointers) {
        const auto hit = PointerAt(rom_, o_.layout, at, from_, o_.search);
        if (!hit) {
          throw TError("The bytes at " + Address(at) + " hold no " +
                       std::string(MappingTitle(o_.layout.mapping)) + " pointer to " +
                       Address(from_) + "; nothing was written");
        }
        hits_.push_back(*hit);
      }
      if (!o_.keepOld) RefuseStrandedPointers();
    }
    for (const TPointerHit& h : hits_) {
      if (h.Overlaps(from_, oldEnd_)) {
        throw TError("The pointer at " + Address(h.at) + " lies inside the stream it points to (" +
                     Address(from_) + "-" + Address(oldEnd_ - 1) + "); nothing was written");
      }
    }
  }

  // Why `size` bytes cannot go to `at`, or nothing.
  std::string Unfit(std::int64_t at, std::int64_t size) const {
    const auto h = static_cast<std::int64_t>(o_.layout.copierHeader);
    const auto align = static_cast<std::int64_t>(DataAlignment(o_.layout));
    if (at < 0 || at + size > static_cast<std::int64_t>(rom_.size())) return "outside the ROM";
    if ((at - h) % align != 0) return "not a multiple of " + std::to_string(align);
    const auto bank = static_cast<std::int64_t>(BankLength(o_.layout));
    if (bank > 0 && (at - h) / bank != (at + size - 1 - h) / bank) {
      return "it would cross the bank boundary at " + Address(h + (at - h) / bank * bank + bank);
    }
    for (const TByteRange& r : ReservedRanges(o_.layout)) {
      if (r.Overlaps(at, at + size)) return "the header lies at " + Address(r.begin);
    }
    for (const TByteRange& r : o_.reserved) {
      if (r.Overlaps(at, at + size)) return "data in use lie at " + Address(r.begin);
    }
    for (const TPointerHit& p : hits_) {
      if (p.Overlaps(at, at + size)) return "the pointer at " + Address(p.at) + " lies there";
      if (!MovedValue(o_.layout, p, at)) {
        return "the pointer at " + Address(p.at) + " (" + FormatBus(o_.layout, p.value) +
               ") cannot reach it";
      }
    }
    for (std::int64_t i = at; i < at + size; ++i) {
      const bool old = !o_.keepOld && i >= from_ && i < oldEnd_;
      if (!old && rom_[static_cast<std::size_t>(i)] != o_.fill) {
        return "the byte at " + Address(i) + " is not the fill byte";
      }
    }
    return {};
  }

  // The places found that are pointers; bytes that hold the address by chance are left.
  void FindConfirmedHits() {
    std::size_t chance = 0;
    for (const TPointerHit& hit : FindPointers(rom_, o_.layout, from_, o_.search)) {
      if (ConfirmedPointer(rom_, o_.layout, hit, o_.search)) {
        hits_.push_back(hit);
      } else {
        ++chance;
      }
    }
    if (hits_.empty()) {
      const std::string chanceText =
          chance == 0
              ? std::string()
              : " (" + std::to_string(chance) + (chance == 1 ? " place holds" : " places hold") +
                    " its address but stands in no table: give it with --pointer if it "
                    "is one)";
      throw TError("No pointer to " + Address(from_) + " was found" + chanceText +
                   ", so the stream cannot move; nothing was written");
    }
  }

  // The old stream becomes fill bytes: no pointer to it may be left behind.
  void RefuseStrandedPointers() const {
    std::string left;
    for (const TPointerHit& hit : FindPointers(rom_, o_.layout, from_, o_.search)) {
      const bool named = std::any_of(hits_.begin(), hits_.end(),
                                     [&](const TPointerHit& h) { return h.at == hit.at; });
      if (!named && ConfirmedPointer(rom_, o_.layout, hit, o_.search)) {
        left += (left.empty() ? "" : ", ") + Address(hit.at);
      }
    }
    if (!left.empty()) {
      throw TError("The pointers at " + left + " also point to the stream at " + Address(from_) +
                   " and would be left pointing at fill bytes: give them with --pointer too, or "
                   "--keep-old to keep the old stream; nothing was written");
    }
  }

  bool BlockEdge(std::int64_t at) const {
    const auto h = static_cast<std::int64_t>(o_.layout.copierHeader);
    const auto bank = static_cast<std::int64_t>(BankLength(o_.layout));
    if (at <= h || at >= static_cast<std::int64_t>(rom_.size())) return true;
    if (bank > 0 && (at - h) % bank == 0) return true;
    const auto reserved = ReservedRanges(o_.layout);
    return std::any_of(reserved.begin(), reserved.end(),
                       [&](const TByteRange& r) { return r.begin == at || r.end == at; });
  }

  // Where in `run` the stream can go, or -1.
  std::int64_t PlaceIn(const TFreeRun& run, std::int64_t size) const {
    const auto h = static_cast<std::int64_t>(o_.layout.copierHeader);
    const auto align = static_cast<std::int64_t>(DataAlignment(o_.layout));
    // The run's start, and the end of each piece of data in use that lies inside it.
    std::vector<std::int64_t> starts = {run.start + (BlockEdge(run.start) ? 0 : kGuard)};
    for (const TByteRange& r : o_.reserved) {
      if (r.end > run.start && r.end < run.End()) starts.push_back(r.end + kGuard);
    }
    const std::int64_t end = run.End() - (BlockEdge(run.End()) ? 0 : kGuard);
    for (const std::int64_t first : starts) {
      const std::int64_t at = h + (first - h + align - 1) / align * align;
      if (at + size > end || (at < oldEnd_ && from_ < at + size)) continue;
      if (Unfit(at, size).empty()) return at;
    }
    return -1;
  }

  // The smallest run that holds the stream, the first of equal ones.
  std::int64_t Choose(std::int64_t size) const {
    TFreeOptions free;
    free.minLength = static_cast<std::size_t>(size);
    free.fill = o_.fill == 0 ? TFillKind::Zero : TFillKind::Ff;
    std::int64_t best = -1;
    std::int64_t bestLength = 0;
    if (o_.fill == 0 || o_.fill == 0xFF) {
      ForEachFreeRun(rom_, o_.layout, free, [&](const TFreeRun& run) {
        if (best >= 0 && run.length >= bestLength) return;
        if (const std::int64_t at = PlaceIn(run, size); at >= 0) {
          best = at;
          bestLength = run.length;
        }
      });
    }
    if (best >= 0) return best;
    throw TError("No free space holds the new stream of " + std::to_string(size) +
                 " bytes (a run of " + ByteText(o_.fill) +
                 " bytes in one block, clear of data and reachable by every pointer); " +
                 "nothing was written");
  }

  std::span<const std::uint8_t> rom_;
  const TRelocateOptions& o_;
  std::int64_t from_;
  std::int64_t oldEnd_;
  std::vector<TPointerHit> hits_;
};

TIndexedBitmap Draw(TTileEntry e, std::span<const std::uint8_t> rom) {
  TDecodeBuffer buffer(kDecodeBufferSize);
  UnpackEntry(e, rom, buffer);
  TIndexedBitmap bmp;
  DrawTiles(bmp, e, rom, buffer, 0);
  return bmp;
}

bool SamePixels(const TIndexedBitmap& a, const TIndexedBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (std::int32_t y = 0; y < a.Height(); ++y) {
    if (!std::equal(a.Row(y), a.Row(y) + a.Width(), b.Row(y))) return false;
  }
  return true;
}

// Every rewritten pointer must lead to the stream, and the stream draw what the write-back
// proved.
void ProveThroughPointers(const TRelocation& r, const TTileEntry& entry, const TRomLayout& layout,
                          std::span<const std::uint8_t> proved, std::span<const std::uint8_t> rom,
                          const TPointerSearch& search) {
  const TIndexedBitmap expected = Draw(entry, proved);
  for (const TPointerHit& hit : r.pointers) {
    const auto now = PointerAt(rom, layout, hit.at, r.to, search);
    TTileEntry through = entry;
    if (now) through.Address = static_cast<std::int32_t>(*FileOffset(layout, now->value));
    if (!now || !SamePixels(Draw(through, rom), expected)) {
      throw TError("The stream does not decode to the picture through the pointer at " +
                   Address(hit.at) + "; nothing was written");
    }
  }
}

}  // namespace

std::vector<std::string> TRelocation::Lines(const TRomLayout& layout, TTense tense) const {
  const bool done = tense == TTense::Done;
  std::vector<std::string> lines;
  lines.push_back((done ? "Rewrote " : "Rewrite ") + std::to_string(pointers.size()) +
                  (pointers.size() == 1 ? " pointer" : " pointers") + " from " + Address(from) +
                  " to " + Address(to) + ":");
  for (std::size_t i = 0; i < pointers.size(); ++i) {
    lines.push_back("  " + Address(pointers[i].at) + " " +
                    std::string(PointerFormName(pointers[i].form)) + " " +
                    FormatBus(layout, pointers[i].value) + " -> " + FormatBus(layout, values[i]));
  }
  const std::string old = "The old stream's " + std::to_string(oldLength) + " bytes ";
  if (keptOld) {
    lines.push_back(old + (done ? "are kept" : "would be kept"));
  } else {
    lines.push_back(old + (done ? "are now " : "would become ") + ByteText(fill));
  }
  return lines;
}

TRelocateResult WriteBackRelocating(std::span<const std::uint8_t> rom, const TTileEntry& entry,
                                    const TPixelImage& picture, TWriteBackOptions options,
                                    const TRelocateOptions& relocate) {
  TPlacer placer(rom, entry, relocate);
  options.freeSpace.reset();
  options.placeStream = [&placer](std::size_t length, std::int64_t, std::size_t) {
    return placer.Place(length);
  };
  TRelocateResult result{WriteBackPicture(rom, entry, picture, options), std::nullopt};
  TWriteBackResult& wb = result.writeBack;
  if (!wb.report.moved) return result;

  const std::vector<std::uint8_t> proved = wb.rom;
  TRelocation r{entry.Address,    wb.report.address, wb.report.oldStream, placer.Hits(), {},
                relocate.keepOld, relocate.fill};
  for (const TPointerHit& hit : r.pointers) {
    r.values.push_back(*MovedValue(relocate.layout, hit, r.to));
    WritePointer(wb.rom, hit, r.values.back());
  }
  if (!relocate.keepOld) {
    const std::int64_t newEnd = r.to + static_cast<std::int64_t>(wb.report.written);
    for (std::int64_t i = r.from; i < placer.OldEnd(); ++i) {
      if (i < r.to || i >= newEnd) wb.rom[static_cast<std::size_t>(i)] = relocate.fill;
    }
  }
  ProveThroughPointers(r, wb.entry, relocate.layout, proved, wb.rom, relocate.search);
  wb.report.pointersFollow = true;
  result.relocation = std::move(r);
  return result;
}

TStreamsRelocated RelocateStreams(
    std::span<const std::uint8_t> rom, const TRelocateOptions& relocate,
    const std::function<std::vector<std::uint8_t>(const TPlaceStream& place)>& edit) {
  struct TMove {
    std::unique_ptr<TRelocateOptions> options;  // the placer keeps a reference
    std::unique_ptr<TPlacer> placer;
    TRelocation relocation;
    std::size_t newLength = 0;
  };
  std::vector<TMove> moves;
  const TPlaceStream place = [&](std::size_t length, std::int64_t from, std::size_t oldLength) {
    TMove m;
    m.options = std::make_unique<TRelocateOptions>(relocate);
    if (!moves.empty()) m.options->address.reset();  // a given address is the first stream's
    for (const TMove& done : moves) {
      // Never onto a stream moved before, nor onto its old bytes, which it may still share.
      m.options->reserved.push_back(
          {done.relocation.to, done.relocation.to + static_cast<std::int64_t>(done.newLength)});
      m.options->reserved.push_back(
          {done.relocation.from,
           done.relocation.from + static_cast<std::int64_t>(done.relocation.oldLength)});
    }
    m.placer = std::make_unique<TPlacer>(rom, from, oldLength, *m.options);
    const std::int64_t at = m.placer->Place(length);
    m.relocation = {from, at, oldLength, m.placer->Hits(), {}, relocate.keepOld, relocate.fill};
    m.newLength = length;
    moves.push_back(std::move(m));
    return at;
  };
  TStreamsRelocated result{edit(place), {}};
  for (TMove& m : moves) {
    TRelocation& r = m.relocation;
    for (const TPointerHit& hit : r.pointers) {
      r.values.push_back(*MovedValue(relocate.layout, hit, r.to));
      WritePointer(result.rom, hit, r.values.back());
    }
  }
  // The old bytes that no new stream took become the fill byte.
  for (const TMove& m : moves) {
    if (relocate.keepOld) break;
    const TRelocation& r = m.relocation;
    for (std::int64_t i = r.from; i < r.from + static_cast<std::int64_t>(r.oldLength); ++i) {
      const bool taken = std::any_of(moves.begin(), moves.end(), [i](const TMove& n) {
        return i >= n.relocation.to && i < n.relocation.to + static_cast<std::int64_t>(n.newLength);
      });
      if (!taken) result.rom[static_cast<std::size_t>(i)] = relocate.fill;
    }
  }
  for (TMove& m : moves) result.relocations.push_back(std::move(m.relocation));
  return result;
}

}  // namespace tegulo
