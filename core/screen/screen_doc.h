// The screens of a document, kept beside it in "NAME.tgl.screens.json": a versioned,
// human-readable list of map settings, each with what identifies its entry.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "entries/tile_entry.h"
#include "screen/screen.h"

namespace tegulo {

// One entry's screen and what the entry held when it was saved.
struct TSavedScreen {
  std::int32_t index = 0;  // the entry's place in the list
  std::string name;
  std::int32_t address = 0;
  std::int32_t offset = 0;
  int templ = 0;
  TScreen screen;

  friend bool operator==(const TSavedScreen&, const TSavedScreen&) = default;
};

// The record of entry `index` of a list.
TSavedScreen SavedScreen(const TTileEntry& e, std::int32_t index, const TScreen& s);

// "<document>.screens.json".
std::string CompanionPath(const std::string& documentPath);

// The file's text: {"format": "tegulo-screens", "version": 1, "screens": [{...}, ...]}, one
// screen a line, names with JSON escapes.
std::string ScreensToJson(std::span<const TSavedScreen> screens);

// Reads the whole text or nothing. Throws TError "Damaged screens file: <reason>" for text
// that is not such a file, another version, a missing or mistyped field, a value outside its
// range, or more than 100000 screens.
std::vector<TSavedScreen> ScreensFromJson(std::span<const std::uint8_t> text);

// For each saved screen, the entry of `entries` it belongs to, or -1. An entry takes at most
// one screen. Tried in turn: the same address, offset, template and name; the same address
// and name; the same name (when one entry has it); the same address and offset. Among
// several the entry at the saved index is taken, else the first.
std::vector<int> MatchScreens(std::span<const TSavedScreen> screens,
                              std::span<const TTileEntry> entries);

// Writes the companion of `documentPath` through the safe-write path, unless there are no
// screens and no companion yet (a document without screens leaves no file behind). Throws
// TError as WriteFileAtomically does.
void SaveScreensBeside(const std::string& documentPath, std::span<const TSavedScreen> screens);

// Where a document save goes: the document, the file for its screens (CompanionPath of the
// document, another name, or "" to write no screens file at all) and the open ROM, which no
// output may name ("" for none).
struct TDocumentSave {
  std::string document, screens, rom;
};

// Writes the document's records and its screens as one set (io/file_set.h): both land or
// neither, also after a kill. An empty list of screens writes no screens file unless one
// exists already. Everything is resolved first: an output that is the open ROM or the other
// output throws TOutputConflict, and a screens file that is a folder, FIFO, device or a link
// that loops throws TError before anything is written.
void SaveDocumentAndScreens(const TDocumentSave& where, std::span<const TTileEntry> records,
                            std::span<const TSavedScreen> screens);

// The screens kept beside `documentPath`; none when there is no companion. Throws TError
// "<companion path>: <reason>" when it cannot be read or is damaged.
std::vector<TSavedScreen> LoadScreensBeside(const std::string& documentPath);

}  // namespace tegulo
