#include "rom/import_checks.h"

#include <gtest/gtest.h>

#include <string>

#include "compress/scheme_formats.h"
#include "compress/uCompress.h"

using namespace tegulo;

namespace {

TEST(ImportChecks, TheReasonNamesWhatIsMissingFirst) {
  TTileEntry ready = NewEntry("$100", 2, 2, 0);
  ready.Template = 2;
  TTileEntry noTemplate = ready;
  noTemplate.Template = 0;
  TTileEntry damaged = ready;
  damaged.Template = 40;
  TTileEntry badScheme = ready;
  badScheme.Compression = kCompressionCount;
  TTileEntry empty = ready;
  empty.Height = 0;
  struct Case {
    bool romOpen;
    const TTileEntry* entry;
    const char* reason;  // null: the import can work
  };
  const std::string badSchemeReason = "The entry's compression value " +
                                      std::to_string(kCompressionCount) +
                                      " is not a scheme (a damaged document?)";
  const Case cases[] = {
      {true, &ready, nullptr},
      {false, &ready, "Open a ROM first"},
      {false, nullptr, "Open a ROM first"},
      {true, nullptr, "Select an entry of the list first"},
      {true, &noTemplate, "The entry has no template"},
      {true, &damaged, "The entry's template value 40 is not a template (a damaged document?)"},
      {true, &badScheme, badSchemeReason.c_str()},
      {true, &empty, "The entry is 2 x 0 tiles: nothing to write"},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> reason = ImportUnavailableReason(c.romOpen, c.entry);
    EXPECT_EQ(reason.value_or("(none)"), c.reason != nullptr ? c.reason : "(none)")
        << "rom " << c.romOpen << ", case " << (&c - cases);
  }
}

}  // namespace
