// Screens in the window: the dialog, drawing the current entry through its map, putting an
// edited screen back.
#include <algorithm>
#include <chrono>
#include <future>

#include "MainUnit.h"
#include "base/messages.h"
#include "image_view.h"
#include "io/paths.h"
#include "io/same_file.h"
#include "priority_overlay.h"
#include "qt_text.h"
#include "rom/rom_file.h"
#include "rom_import.h"
#include "screen/screen_doc.h"
#include "screen/screen_write.h"
#include "spin_edit.h"
#include "status_bar.h"

namespace tegulo {

bool TfmMain::DrawScreenOfEntry() {
  const auto it = Screens.find(CurEntry);
  if (PriorityOverlay != nullptr) PriorityOverlay->hide();
  if (it == Screens.end()) return false;
  TScreenDrawReport report =
      DrawScreen(*TileBitmap, *CurEntry, it->second, RomData, DecodeBuffer, BackgroundColour());
  const int zoom = std::max(seZoom->Value(), 1);
  Image->SetPicture(TileBitmap.get(), zoom);
  if (it->second.showPriority && !report.priority.empty()) {
    if (PriorityOverlay == nullptr) PriorityOverlay = new TPriorityOverlay(Image);
    PriorityOverlay->SetPan(Image->Pan());
    PriorityOverlay->Show(std::move(report.priority), it->second.width, 8 * zoom);
  }
  sBar->SetPanelText(0, FromLatin1(ScreenStatusText(it->second, report)));
  NoteScreenPalettes(it->second);  // main_hover.cpp
  return true;
}

void TfmMain::aShowAsScreenClick() {
  if (CurEntry == nullptr) return;
  TTileEntry* entry = CurEntry;
  const auto old = Screens.find(entry);
  const std::optional<TScreen> before =
      old == Screens.end() ? std::nullopt : std::optional<TScreen>(old->second);
  // A setting being typed may not draw yet; the view keeps its last picture meanwhile.
  const auto preview = [this, entry](const TScreen& s) {
    if (CurEntry != entry) return;
    try {
      CheckScreen(s, *entry);
      Screens[entry] = s;
      Redraw();
    } catch (const TError&) {
    }
  };
  std::optional<TScreen> chosen = prompts_->AskScreen(before.value_or(TScreen{}), preview);
  if (chosen) {
    try {
      CheckScreen(*chosen, *entry);
    } catch (const TError&) {
      chosen.reset();
      if (before)
        Screens[entry] = *before;
      else
        Screens.erase(entry);
      // The view showed the last preview; it goes back to what the entry shows.
      RefreshEntry();
      Redraw();
      throw;
    }
    Screens[entry] = *chosen;
    Image->SetPan({});  // a new screen is shown from its top-left
    // A screen's cells choose among all 256 colours: the entry keeps all that the grid
    // shows, and a palette loaded later fills all of them.
    std::copy(ViewPalette.begin(), ViewPalette.end(), std::begin(entry->Palette));
    entry->PalCount = 256;
    sePalNum->SetValue(256);  // "Colors" says so, and the next palette read fills them all
  } else if (before) {
    Screens[entry] = *before;
  } else {
    Screens.erase(entry);
  }
  RefreshEntry();
  Redraw();
}

void TfmMain::aShowAsTilesClick() {
  if (CurEntry == nullptr || Screens.erase(CurEntry) == 0) return;
  Image->SetPan({});
  RefreshEntry();
  Redraw();
}

std::optional<std::string> TfmMain::ScreensTarget(const std::string& documentPath,
                                                  bool anyScreens) {
  const std::string companion = CompanionPath(documentPath);
  if (UnreadScreens.empty() || !SameFile(companion, UnreadScreens)) return companion;
  // The file could not be read when the document was loaded: what it holds is not known, so
  // it is never written over.
  const QString kept = QString::fromStdString(EscapeControls(companion) +
                                              " could not be read when the document was loaded");
  if (!anyScreens) {
    prompts_->ShowMessage(kept + QStringLiteral("; it is kept as it was."));
    return std::string();
  }
  const UserPrompts::TSaveChanges answer = prompts_->AskSaveChanges(
      kept + QStringLiteral(" and is kept as it was. Save the document's screens under another "
                            "name?"));
  if (answer == UserPrompts::TSaveChanges::Cancel) return std::nullopt;
  if (answer == UserPrompts::TSaveChanges::Discard) return std::string();
  prompts_->StartNextIn(QString::fromStdString(DirectoryOf(companion)), {});
  const auto chosen =
      prompts_->SaveFileAs(QStringLiteral("Screens file|*.json"), QStringLiteral("json"),
                           QString::fromStdString(companion + "-new.json"));
  if (!chosen) return std::nullopt;
  return LocalPath(chosen->path);
}

bool TfmMain::SaveDocumentWithScreens(const std::string& documentPath,
                                      const std::vector<TTileEntry>& records) {
  std::vector<TSavedScreen> saved;
  for (std::size_t i = 0; i < Entries.size(); ++i) {
    const auto it = Screens.find(Entries[i].get());
    if (it != Screens.end()) {
      saved.push_back(SavedScreen(*Entries[i], static_cast<std::int32_t>(i), it->second));
    }
  }
  const std::optional<std::string> screens = ScreensTarget(documentPath, !saved.empty());
  if (!screens) return false;
  SaveDocumentAndScreens({documentPath, *screens, RomOpen ? LocalPath(RomFileName) : ""}, records,
                         saved);
  return true;
}

void TfmMain::LoadScreensFor(const std::string& documentPath) {
  std::vector<TTileEntry> records;
  records.reserve(Entries.size());
  for (const auto& entry : Entries) records.push_back(*entry);
  // Reading and matching a large file take their time: they run beside the window's thread,
  // which repaints and shows progress meanwhile.
  struct TLoaded {
    std::vector<TSavedScreen> saved;
    std::vector<int> match;
  };
  std::future<TLoaded> work =
      std::async(std::launch::async, [documentPath, records = std::move(records)] {
        TLoaded loaded;
        loaded.saved = LoadScreensBeside(documentPath);
        loaded.match = MatchScreens(loaded.saved, records);
        return loaded;
      });
  bool cancelled = false;
  {
    const std::unique_ptr<TProgressPrompt> progress =
        prompts_->StartProgress(QStringLiteral("Reading the screens file..."), 0);
    while (work.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
      progress->SetValue(0);
      cancelled = cancelled || progress->Cancelled();
    }
  }
  TLoaded loaded;
  try {
    loaded = work.get();
  } catch (const TError& e) {
    UnreadScreens = CompanionPath(documentPath);
    prompts_->ShowError(QString::fromStdString(ErrorBoxText(e.what())));
    return;
  }
  if (cancelled) {
    // Screens not taken are not known to the list: the file is kept as it is.
    UnreadScreens = CompanionPath(documentPath);
    return;
  }
  for (std::size_t i = 0; i < loaded.saved.size(); ++i) {
    if (loaded.match[i] >= 0) {
      Screens[Entries[static_cast<std::size_t>(loaded.match[i])].get()] = loaded.saved[i].screen;
    }
  }
}

void TfmMain::ForgetScreen(const TTileEntry* entry) { Screens.erase(entry); }

std::vector<std::uint8_t> TfmMain::ImportedRom(const std::string& pngPath, TColourMatch match,
                                               TColourMatchReport* report) const {
  const auto it = Screens.find(CurEntry);
  if (it == Screens.end()) {
    return ImportPictureFile(RomData, *CurEntry, pngPath, BackgroundColour(), match, report);
  }
  const std::vector<std::uint8_t> file = ReadRomFile(pngPath);
  TPixelImage picture;
  try {
    picture = PictureForScreen(file, *CurEntry, it->second, BackgroundColour(), match, report);
  } catch (const TColoursNotInPalette& error) {
    throw TColoursNotInPalette(pngPath + ": " + error.what());
  } catch (const TError& error) {
    throw TError(pngPath + ": " + error.what());
  }
  return WriteBackScreen(RomData, *CurEntry, it->second, picture, TScreenImportMode::kKeepMap).rom;
}

}  // namespace tegulo
