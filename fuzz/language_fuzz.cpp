// The language table: any file as "Language.txt" gives every key of every
// language a text that fits the lookup's buffer.
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_files.h"
#include "fuzz/fuzz_target.h"
#include "mix/language_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzRoot();
  WriteFuzzFile("Language.txt", data, size);
  static const char* const kKeys[] = {"No channels loaded 1",     "failed to export mix 2",
                                      "keep or restore format 3", "Error loading mix 1",
                                      "Can not save mix 2",       "loading mix 3"};
  tLanguageTable table;
  table.LoadLanguageTable("Language.txt");
  for (int32_t language = 0; language <= 6; ++language) {
    table.SelectLanguage(language);
    for (const char* key : kKeys)
      if (std::strlen(table.LookupText(key)) >= 250) std::abort();
  }
  return 0;
}
