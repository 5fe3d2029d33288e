// The entry list's context menu and the scan for packed graphics that fills the list.
#include "MainUnit.h"
#include "list_box.h"
#include "rom/scan_entries.h"
#include "spin_edit.h"

namespace tegulo {

void TfmMain::ScanROMClick() {
  if (RomData.empty()) return;
  const std::optional<TScanChoice> choice = prompts_->ScanForGraphics(RomData, seWidth->Value());
  if (!choice || choice->hits.empty()) return;
  // Every entry first, then the list: a hit that cannot become an entry adds none.
  std::vector<std::unique_ptr<TTileEntry>> entries;
  for (const TScanHit& hit : choice->hits) {
    entries.push_back(
        std::make_unique<TTileEntry>(EntryForHit(hit, choice->templateRow, choice->width)));
  }
  const int first = lbList->count();
  for (auto& entry : entries) AppendEntry(std::move(entry));
  lbList->SetItemIndex(first);
  lbListClick();
}

}  // namespace tegulo
