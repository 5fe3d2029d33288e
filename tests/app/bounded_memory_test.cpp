// The window with entries that a damaged or hand-made document may hold: one too large to
// draw, and one drawn from the working buffer after an unpacking that lengthened it.
#include <gtest/gtest.h>

#include "compress/refresh.h"
#include "entries/document.h"
#include "flow_fixture.h"
#include "greedy_encoders.h"
#include "image/render.h"
#include "palette/entry_template.h"

namespace tegulo {
namespace {

class BoundedMemory : public FlowTest {
protected:
  void LoadEntries(const std::vector<TTileEntry>& entries) {
    const QString doc = Path("doc.tgl");
    SaveDocument(doc.toStdString(), entries);
    prompts->fileAnswers.push_back(doc);
    Click("bLoad");
    ASSERT_EQ(lbList->count(), static_cast<int>(entries.size()));
  }
};

TEST_F(BoundedMemory, AnEntryTooLargeToDrawKeepsTheLastPicture) {
  OpenRom();
  std::vector<TTileEntry> entries;
  for (const auto& [w, h] : {std::pair{2, 3}, {4000, 4000}, {268435455, 1}}) {
    TTileEntry e = NewEntry("0", w, h, 0);
    ApplyTemplate(e, 2);
    entries.push_back(e);
  }
  LoadEntries(entries);
  ClickItem(0);
  ASSERT_EQ(Bitmap().Width(), 16);
  const std::vector<std::uint8_t> before(Bitmap().Row(0), Bitmap().Row(0) + 16 * 24);
  prompts->errors.clear();

  ClickItem(1);
  ClickItem(2);
  ASSERT_EQ(prompts->errors.size(), 2u);
  EXPECT_EQ(prompts->errors[0].toStdString(),
            "Entry too large to draw (4000 x 4000 tiles; at most 2000 x 2000)");
  EXPECT_EQ(prompts->errors[1].toStdString(),
            "Entry too large to draw (268435455 x 1 tiles; at most 2000 x 2000)");
  EXPECT_EQ(Bitmap().Width(), 16);
  EXPECT_EQ(Bitmap().Height(), 24);
  EXPECT_EQ(std::vector<std::uint8_t>(Bitmap().Row(0), Bitmap().Row(0) + 16 * 24), before);
  EXPECT_EQ(Cur(), TfmMainPeer::Entries(*window)[2].get());  // the entry is still selected
}

TEST_F(BoundedMemory, NoBytesOfAnEarlierUnpackingShowInTheNextEntry) {
  // Entry 0: an LZ77-10 stream of 1.5 MiB of non-zero bytes, which lengthens the buffer.
  // Entry 1: a short LZ77-10 stream drawn from 1.25 MiB into the buffer, past its own data.
  std::vector<std::uint8_t> big(0x180000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i % 251 + 1);
  std::vector<std::uint8_t> rom = EncodeLZ10(big);
  const auto second = static_cast<std::int32_t>(rom.size());
  const std::vector<std::uint8_t> small = EncodeLZ10(std::vector<std::uint8_t>(64, 7));
  rom.insert(rom.end(), small.begin(), small.end());
  OpenRom(rom);

  TTileEntry first = NewEntry("0", 4, 4, 0x140000);
  ApplyTemplate(first, 8);
  first.Compression = 1;
  TTileEntry later = first;
  later.Address = second;
  LoadEntries({first, later});

  // What the CLI draws for the later entry: a fresh buffer for each entry.
  TTileEntry fresh = later;
  TDecodeBuffer buffer(kDecodeBufferSize);
  UnpackEntry(fresh, rom, buffer);
  TIndexedBitmap expected;
  DrawTiles(expected, fresh, rom, buffer, window->BackgroundColour());
  const std::vector<std::uint8_t> zeros(32 * 32, 0);
  ASSERT_EQ(std::vector<std::uint8_t>(expected.Row(0), expected.Row(0) + 32 * 32), zeros);

  ClickItem(0);
  ASSERT_NE(std::vector<std::uint8_t>(Bitmap().Row(0), Bitmap().Row(0) + 32 * 32), zeros);
  ClickItem(1);
  EXPECT_EQ(std::vector<std::uint8_t>(Bitmap().Row(0), Bitmap().Row(0) + 32 * 32), zeros);
  EXPECT_TRUE(prompts->errors.empty());
}

}  // namespace
}  // namespace tegulo
