#pragma once
// The user's language from the locale, as the desk's language numbers:
// English 1, Dutch 2, French 3, German 4, Italian 5, Spanish 6.
#include <string>

namespace platform {

// The language of a locale or language name such as "de", "nl_BE.UTF-8" or
// "fr_CA@euro" (case does not matter); 0 for "C", "POSIX" and languages the
// desk has no texts for.
int LanguageFromName(const std::string& name);

// The language the locale variables choose. The first of LANGUAGE, LC_ALL,
// LC_MESSAGES and LANG that is set and not empty decides. LANGUAGE is a
// colon-separated list of preferences: its first entry the desk has texts
// for decides. 0 when the deciding variable names none of the desk's
// languages (the caller then keeps its default). Null pointers are unset.
int LanguageFromLocale(const char* language, const char* lcAll, const char* lcMessages,
                       const char* lang);

// LanguageFromLocale over the process's environment.
int LocaleLanguage();

}  // namespace platform
