// The screens file beside a document: writing, reading all or nothing, matching to entries.
#include "screen/screen_doc.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <limits>
#include <unordered_map>

#include "base/uCommon.h"
#include "compress/uCompress.h"
#include "entries/document.h"
#include "io/file_set.h"
#include "io/output_plan.h"
#include "io/read_file.h"
#include "io/safe_write.h"
#include "screen/json_reader.h"
#include "tiles/uTiles.h"

namespace tegulo {
namespace {

constexpr std::int64_t kVersion = 1;
constexpr std::size_t kMaxScreens = 100000;
constexpr std::uint64_t kMaxFileBytes = std::uint64_t{64} << 20;

std::string Field(const char* key, std::int64_t value) {
  return std::string("\"") + key + "\": " + std::to_string(value);
}

std::int32_t Int32(TJsonReader& r, const char* key, std::int64_t lo, std::int64_t hi) {
  const std::int64_t v = r.Integer();
  if (v < lo || v > hi) {
    throw TError(std::string(key) + " " + std::to_string(v) + " is outside " + std::to_string(lo) +
                 ".." + std::to_string(hi));
  }
  return static_cast<std::int32_t>(v);
}

// A key may appear once in an object: a repeated one would let one value stand for two.
void Once(std::vector<std::string>& keys, const std::string& key, const char* where) {
  if (std::find(keys.begin(), keys.end(), key) != keys.end()) {
    throw TError("the key \"" + key + "\" appears twice in " + where);
  }
  keys.push_back(key);
}

TSavedScreen ReadScreen(TJsonReader& r) {
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  TSavedScreen s;
  int seen = 0;
  std::vector<std::string> keys;
  r.Expect('{');
  if (!r.Take('}')) {
    do {
      const std::string key = r.String();
      Once(keys, key, "a screen");
      r.Expect(':');
      ++seen;
      if (key == "index")
        s.index = Int32(r, "index", 0, kMax);
      else if (key == "name")
        s.name = r.String();
      else if (key == "address")
        s.address = Int32(r, "address", kMin, kMax);
      else if (key == "offset")
        s.offset = Int32(r, "offset", kMin, kMax);
      else if (key == "template")
        s.templ = Int32(r, "template", 0, kTemplateCount - 1);
      else if (key == "map")
        s.screen.mapAddress = Int32(r, "map", kMin, kMax);
      else if (key == "map-compression")
        s.screen.mapCompression = Int32(r, "map-compression", 0, kCompressionCount - 1);
      else if (key == "width")
        s.screen.width = Int32(r, "width", 1, kMaxMapSide);
      else if (key == "height")
        s.screen.height = Int32(r, "height", 1, kMaxMapSide);
      else if (key == "tile-base")
        s.screen.tileBase = Int32(r, "tile-base", kMin, kMax);
      else if (key == "palette-base")
        s.screen.paletteBase = Int32(r, "palette-base", -256, 256);
      else if (key == "show-priority") {
        s.screen.showPriority = Int32(r, "show-priority", 0, 1) != 0;
        --seen;  // written only when set
      } else if (key == "map-format") {
        const std::string name = r.String();
        const auto f = FindMapFormat(name);
        if (!f) throw TError("unknown map format \"" + name + "\"");
        s.screen.format = *f;
      } else {
        --seen;  // a field of a later writer
        r.SkipValue();
      }
    } while (r.Take(','));
    r.Expect('}');
  }
  if (seen != 12) throw TError("a screen lacks one of its 12 fields");
  return s;
}

std::vector<TSavedScreen> ReadScreens(TJsonReader& r) {
  std::vector<TSavedScreen> out;
  r.Expect('[');
  if (r.Take(']')) return out;
  do {
    if (out.size() == kMaxScreens) throw TError("more than 100000 screens");
    out.push_back(ReadScreen(r));
  } while (r.Take(','));
  r.Expect(']');
  return out;
}

std::vector<TSavedScreen> ReadFile(TJsonReader& r) {
  std::vector<TSavedScreen> out;
  bool format = false, version = false, screens = false;
  std::vector<std::string> keys;
  r.Expect('{');
  do {
    const std::string key = r.String();
    Once(keys, key, "the file");
    r.Expect(':');
    if (key == "format") {
      if (r.String() != "tegulo-screens") throw TError("not a screens file");
      format = true;
    } else if (key == "version") {
      const std::int64_t v = r.Integer();
      if (v != kVersion) throw TError("version " + std::to_string(v) + " (this program reads 1)");
      version = true;
    } else if (key == "screens") {
      out = ReadScreens(r);
      screens = true;
    } else {
      r.SkipValue();
    }
  } while (r.Take(','));
  r.Expect('}');
  r.End();
  if (!format || !version || !screens)
    throw TError("\"format\", \"version\" or \"screens\" missing");
  return out;
}

// What a matching rule compares, as one key: the numbers first, the name (any bytes) last.
enum class TRuleKey { All, AddressName, Name, AddressOffset };
constexpr TRuleKey kRules[] = {TRuleKey::All, TRuleKey::AddressName, TRuleKey::Name,
                               TRuleKey::AddressOffset};

std::string RuleKey(TRuleKey rule, std::int32_t address, std::int32_t offset, int templ,
                    const std::string& name) {
  const std::string a = std::to_string(address) + "/";
  switch (rule) {
    case TRuleKey::All:
      return a + std::to_string(offset) + "/" + std::to_string(templ) + "/" + name;
    case TRuleKey::AddressName: return a + name;
    case TRuleKey::Name: return name;
    case TRuleKey::AddressOffset: return a + std::to_string(offset);
  }
  return {};
}

// The entries of one key, in list order: a cursor past those taken, and how many are left.
struct TKeyed {
  std::vector<int> entries;
  std::size_t cursor = 0;
  int left = 0;
};

}  // namespace

TSavedScreen SavedScreen(const TTileEntry& e, std::int32_t index, const TScreen& s) {
  return {index, GetName(e), e.Address, e.Offset, e.Template, s};
}

std::string CompanionPath(const std::string& documentPath) {
  return documentPath + ".screens.json";
}

std::string ScreensToJson(std::span<const TSavedScreen> screens) {
  std::string text = "{\"format\": \"tegulo-screens\", \"version\": 1, \"screens\": [";
  for (std::size_t i = 0; i < screens.size(); ++i) {
    const TSavedScreen& s = screens[i];
    const TScreen& m = s.screen;
    text += (i == 0 ? "\n  {" : ",\n  {") + Field("index", s.index) +
            ", \"name\": " + JsonString(s.name) + ", " + Field("address", s.address) + ", " +
            Field("offset", s.offset) + ", " + Field("template", s.templ) + ", " +
            Field("map", m.mapAddress) + ", \"map-format\": " +
            JsonString(MapFormats()[static_cast<std::size_t>(m.format)].name) + ", " +
            Field("map-compression", m.mapCompression) + ", " + Field("width", m.width) + ", " +
            Field("height", m.height) + ", " + Field("tile-base", m.tileBase) + ", " +
            Field("palette-base", m.paletteBase) +
            (m.showPriority ? ", " + Field("show-priority", 1) : std::string()) + "}";
  }
  return text + (screens.empty() ? "]}\n" : "\n]}\n");
}

std::vector<TSavedScreen> ScreensFromJson(std::span<const std::uint8_t> text) {
  TJsonReader reader(text);
  try {
    return ReadFile(reader);
  } catch (const TError& e) {
    throw TError(std::string("Damaged screens file: ") + e.what());
  }
}

std::vector<int> MatchScreens(std::span<const TSavedScreen> screens,
                              std::span<const TTileEntry> entries) {
  // One table per rule from key to entries: each screen looks its key up once, and each
  // cursor passes a taken entry once, so the whole match is linear in screens and entries.
  constexpr std::size_t kRuleCount = std::size(kRules);
  std::vector<std::array<std::string, kRuleCount>> keys(entries.size());
  std::array<std::unordered_map<std::string, TKeyed>, kRuleCount> tables;
  for (std::size_t j = 0; j < entries.size(); ++j) {
    const TTileEntry& e = entries[j];
    const std::string name = GetName(e);
    for (std::size_t r = 0; r < kRuleCount; ++r) {
      keys[j][r] = RuleKey(kRules[r], e.Address, e.Offset, e.Template, name);
      TKeyed& k = tables[r][keys[j][r]];
      k.entries.push_back(static_cast<int>(j));
      ++k.left;
    }
  }
  std::vector<int> match(screens.size(), -1);
  std::vector<bool> taken(entries.size(), false);
  const auto take = [&](int j) {
    taken[static_cast<std::size_t>(j)] = true;
    for (std::size_t r = 0; r < kRuleCount; ++r)
      --tables[r][keys[static_cast<std::size_t>(j)][r]].left;
  };
  for (std::size_t r = 0; r < kRuleCount; ++r) {
    for (std::size_t i = 0; i < screens.size(); ++i) {
      const TSavedScreen& s = screens[i];
      if (match[i] >= 0 || (kRules[r] == TRuleKey::Name && s.name.empty())) continue;
      const std::string key = RuleKey(kRules[r], s.address, s.offset, s.templ, s.name);
      const auto found = tables[r].find(key);
      if (found == tables[r].end() || found->second.left == 0) continue;
      TKeyed& k = found->second;
      // A name alone must be unique among the entries left to count.
      if (kRules[r] == TRuleKey::Name && k.left > 1) continue;
      const auto at = static_cast<std::size_t>(s.index);
      int j = -1;
      if (s.index >= 0 && at < entries.size() && !taken[at] && keys[at][r] == key) {
        j = s.index;
      } else {
        while (taken[static_cast<std::size_t>(k.entries[k.cursor])]) ++k.cursor;
        j = k.entries[k.cursor];
      }
      match[i] = j;
      take(j);
    }
  }
  return match;
}

void SaveScreensBeside(const std::string& documentPath, std::span<const TSavedScreen> screens) {
  const std::string path = CompanionPath(documentPath);
  std::error_code ec;
  if (screens.empty() && !std::filesystem::exists(path, ec)) return;
  const std::string text = ScreensToJson(screens);
  WriteFileAtomically(path,
                      std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void SaveDocumentAndScreens(const TDocumentSave& where, std::span<const TTileEntry> records,
                            std::span<const TSavedScreen> screens) {
  std::error_code ec;
  const bool writeScreens =
      !where.screens.empty() &&
      (!screens.empty() || std::filesystem::symlink_status(where.screens, ec).type() !=
                               std::filesystem::file_type::not_found);
  TOutputPlan plan;
  if (!where.rom.empty()) plan.AddInput(where.rom, "the open ROM");
  plan.AddOutput(where.document, "The document");
  if (writeScreens) plan.AddOutput(where.screens, "the screens file");
  plan.Check();
  TFileSet set;
  set.Add(where.document).Write(DocumentBytes(records));
  if (writeScreens) {
    const std::string text = ScreensToJson(screens);
    set.Add(where.screens)
        .Write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  }
  set.Commit();
}

std::vector<TSavedScreen> LoadScreensBeside(const std::string& documentPath) {
  const std::string path = CompanionPath(documentPath);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return {};
  try {
    return ScreensFromJson(ReadWholeFile(path, kMaxFileBytes));
  } catch (const TFileReadError&) {
    throw;  // its text names the file already
  } catch (const TError& e) {
    throw TError(path + ": " + e.what());
  }
}

}  // namespace tegulo
