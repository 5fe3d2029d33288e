// The screens file beside a document: its text, damaged files, and matching to entries.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "entries/document.h"
#include "io/safe_write.h"
#include "screen/screen_doc.h"
#include "temp_dir.h"

namespace tegulo {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TSavedScreen Saved(std::int32_t index, const std::string& name, std::int32_t address) {
  TSavedScreen s;
  s.index = index;
  s.name = name;
  s.address = address;
  s.offset = 16;
  s.templ = 2;
  s.screen.mapAddress = 0x1000 + index;
  s.screen.format = kMapGBAText;
  s.screen.mapCompression = 1;
  s.screen.width = 64;
  s.screen.height = 28;
  s.screen.tileBase = -3;
  s.screen.paletteBase = 2;
  return s;
}

TTileEntry Entry(const std::string& name, std::int32_t address, std::int32_t offset = 16) {
  TTileEntry e{};
  SetName(e, name);
  e.Address = address;
  e.Offset = offset;
  e.Template = 2;
  return e;
}

TEST(ScreensFile, TextRoundTrips) {
  const std::vector<TSavedScreen> screens = {
      Saved(0, "title", 0x8000), Saved(3, "quote \" back\\slash", -1),
      Saved(7, std::string("bytes \x01\xE9\x7F", 9), 0x7FFFFFFF), Saved(9, "", 0)};
  const std::string text = ScreensToJson(screens);
  EXPECT_EQ(text.rfind("{\"format\": \"tegulo-screens\", \"version\": 1, \"screens\": [\n", 0), 0U);
  EXPECT_NE(text.find("\"name\": \"bytes \\u0001\\u00E9\\u007F\""), std::string::npos) << text;
  EXPECT_EQ(ScreensFromJson(Bytes(text)), screens);
  EXPECT_TRUE(ScreensFromJson(Bytes(ScreensToJson({}))).empty());
}

TEST(ScreensFile, DamagedTextIsRefusedWhole) {
  const std::string good =
      ScreensToJson(std::vector<TSavedScreen>{Saved(0, "a", 1), Saved(1, "b", 2)});
  const auto with = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  const std::pair<std::string, std::string> cases[] = {
      {"", "Damaged screens file: '{' expected at byte 0"},
      {good.substr(0, good.size() - 4), "Damaged screens file: ']' expected at byte"},
      {with("\"version\": 1", "\"version\": 2"),
       "Damaged screens file: version 2 (this program reads 1)"},
      {with("tegulo-screens", "other"), "Damaged screens file: not a screens file"},
      {with("\"width\": 64", "\"width\": 2000"),
       "Damaged screens file: width 2000 is outside 1..1024"},
      {with("\"width\": 64, ", ""), "Damaged screens file: a screen lacks one of its 12 fields"},
      {with("\"gba-text\"", "\"nes\""), "Damaged screens file: unknown map format \"nes\""},
      {with("\"width\": 64", "\"width\": 6.4"), "Damaged screens file: an integer at byte"},
      {with("\"name\": \"a\"", "\"name\": \"\\u0100\""),
       "Damaged screens file: a character of a name"},
      {good + "x", "Damaged screens file: the end of the text at byte"},
      {std::string(100, '['), "Damaged screens file: '{' expected at byte 0"},
      {with("\"name\": \"a\"", "\"index\": 0"),
       "Damaged screens file: the key \"index\" appears twice in a screen"},
      {with("\"version\": 1", "\"version\": 1, \"version\": 1"),
       "Damaged screens file: the key \"version\" appears twice in the file"},
  };
  for (const auto& [text, message] : cases) {
    try {
      ScreensFromJson(Bytes(text));
      ADD_FAILURE() << message << ": no error";
    } catch (const TError& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, message.size()), message) << e.what();
    }
  }
  // Fields of a later writer are passed over, whatever they hold.
  EXPECT_EQ(ScreensFromJson(Bytes(with("\"width\": 64",
                                       "\"later\": [{\"x\": [1, true, null]}], \"width\": 64")))
                .size(),
            2U);
}

TEST(ScreensFile, MatchedToEntriesWhenTheListChanged) {
  const std::vector<TSavedScreen> saved = {Saved(0, "title", 0x100), Saved(1, "menu", 0x200),
                                           Saved(2, "font", 0x300), Saved(3, "", 0x400)};
  struct Case {
    const char* name;
    std::vector<TTileEntry> entries;
    std::vector<int> match;
  };
  const Case cases[] = {
      {"as saved",
       {Entry("title", 0x100), Entry("menu", 0x200), Entry("font", 0x300), Entry("", 0x400)},
       {0, 1, 2, 3}},
      {"reordered",
       {Entry("", 0x400), Entry("font", 0x300), Entry("menu", 0x200), Entry("title", 0x100)},
       {3, 2, 1, 0}},
      {"renamed and moved",
       {Entry("title", 0x180), Entry("menu 2", 0x200), Entry("x", 0x999)},
       {0, 1, -1, -1}},
      {"removed", {Entry("font", 0x300)}, {-1, -1, 0, -1}},
      {"two of one name", {Entry("title", 0x900), Entry("title", 0x100)}, {1, -1, -1, -1}},
      {"same name twice, neither at the address",
       {Entry("menu", 0x900), Entry("menu", 0x901)},
       {-1, -1, -1, -1}},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchScreens(saved, c.entries), c.match) << c.name;
}

// Many screens on many entries that share names and addresses: each finds its entry, and
// the screens left over find none (a search per screen over all entries would take minutes).
TEST(ScreensFile, ManyScreensMatchInOnePass) {
  constexpr int kEntries = 20000;
  constexpr int kScreens = 100000;
  std::vector<TTileEntry> entries;
  for (int j = 0; j < kEntries; ++j) entries.push_back(Entry("same", 0x100 + j % 7));
  std::vector<TSavedScreen> saved;
  for (int i = 0; i < kScreens; ++i) saved.push_back(Saved(i, "same", 0x100 + i % 7));
  const std::vector<int> match = MatchScreens(saved, entries);
  std::vector<bool> used(kEntries, false);
  int matched = 0;
  for (int i = 0; i < kScreens; ++i) {
    if (match[static_cast<std::size_t>(i)] < 0) continue;
    const auto j = static_cast<std::size_t>(match[static_cast<std::size_t>(i)]);
    ASSERT_FALSE(used[j]) << "entry " << j << " taken twice";
    used[j] = true;
    ++matched;
    if (i < kEntries) ASSERT_EQ(j, static_cast<std::size_t>(i));  // at its saved index
  }
  EXPECT_EQ(matched, kEntries);
}

// The document and its screens land together; a screens file that is no regular file, or
// names the open ROM, stops the save before the document is written.
TEST(ScreensFile, SavedWithTheDocumentAsOneSet) {
  test::TTempDir dir;
  const std::string doc = dir.Path("game.tgl");
  const std::vector<TTileEntry> records = {Entry("title", 0x100)};
  const std::vector<TSavedScreen> screens = {Saved(0, "title", 0x100)};
  std::filesystem::create_directory(dir.Path("folder"));
  ::mkfifo(dir.Path("fifo").c_str(), 0600);
  std::filesystem::create_symlink("loop", dir.Path("loop"));
  const std::string rom = dir.Path("rom.sfc");
  WriteFileAtomically(rom, Bytes("rom"));
  const struct {
    const char* name;
    std::string screens;
    std::string error;  // "" when both are written
  } cases[] = {
      {"a folder", dir.Path("folder"), dir.Path("folder") + " is not a regular file"},
      {"a FIFO", dir.Path("fifo"), dir.Path("fifo") + " is not a regular file"},
      {"a looping link", dir.Path("loop"),
       "Cannot create file \"" + dir.Path("loop") + "\". " + std::strerror(ELOOP)},
      {"the open ROM", rom, "the screens file names the open ROM " + rom + "; nothing was written"},
      {"the companion", CompanionPath(doc), ""},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(doc);
    std::string error;
    try {
      SaveDocumentAndScreens({doc, c.screens, rom}, records, screens);
    } catch (const TError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error) << c.name;
    EXPECT_EQ(std::filesystem::exists(doc), c.error.empty()) << c.name;
  }
  EXPECT_EQ(LoadScreensBeside(doc), screens);
  EXPECT_EQ(LoadDocument(doc).size(), 1U);
}

TEST(ScreensFile, BesideTheDocument) {
  test::TTempDir dir;
  const std::string doc = dir.Path("game.tgl");
  SaveScreensBeside(doc, {});
  EXPECT_FALSE(std::filesystem::exists(CompanionPath(doc)));  // nothing to keep: no file
  EXPECT_TRUE(LoadScreensBeside(doc).empty());
  const std::vector<TSavedScreen> screens = {Saved(0, "title", 0x100)};
  SaveScreensBeside(doc, screens);
  EXPECT_EQ(LoadScreensBeside(doc), screens);
  SaveScreensBeside(doc, {});  // an old file is emptied, not left stale
  EXPECT_TRUE(LoadScreensBeside(doc).empty());
  const std::string junk = "{";
  WriteFileAtomically(CompanionPath(doc), Bytes(junk));
  try {
    LoadScreensBeside(doc);
    ADD_FAILURE() << "no error";
  } catch (const TError& e) {
    EXPECT_EQ(std::string(e.what()),
              CompanionPath(doc) + ": Damaged screens file: '\"' expected at byte 1");
  }
}

}  // namespace
}  // namespace tegulo
