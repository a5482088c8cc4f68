#include "ui/shell.h"

#include <strings.h>

#include <cstdlib>

namespace {

constexpr int32_t kDefaultLanguage = 4;

bool ValidLanguage(int32_t n) {
  return n >= 1 && n <= 6;
}

}  // namespace

int32_t LanguageFromArgument(const std::string& text) {
  static const char* const kShort[6] = {"Eng", "Ned", "Fra", "Dui", "Ita", "Spa"};
  static const char* const kCode[6] = {"en", "nl", "fr", "de", "it", "es"};
  for (int32_t i = 0; i < 6; ++i)
    if (strcasecmp(text.c_str(), kShort[i]) == 0 || strcasecmp(text.c_str(), kCode[i]) == 0)
      return i + 1;
  if (text.size() == 1 && text[0] >= '1' && text[0] <= '6') return text[0] - '0';
  return 0;
}

int32_t ChooseLanguage(int32_t stored, int32_t locale) {
  if (ValidLanguage(stored)) return stored;
  if (ValidLanguage(locale)) return locale;
  return kDefaultLanguage;
}

std::string UsageText() {
  return "Usage: brevora [--window | --fullscreen] [--language N] [MIX]\n"
         "Plays the live loop-mixing desk, full screen, with the mix MIX loaded\n"
         "(the demo mix when none is given).\n"
         "\n"
         "  --window        show the desk in a window, now and at later starts\n"
         "  --fullscreen    show the desk on the full screen, now and at later starts\n"
         "  --language N    the desk's language from now on: 1 English, 2 Dutch,\n"
         "                  3 French, 4 German, 5 Italian, 6 Spanish (or en, nl,\n"
         "                  fr, de, it, es)\n"
         "  --help          show this text and exit\n"
         "  --version       show the version and exit\n";
}

tShellOptions ParseCommandLine(int argc, const char* const* argv) {
  using tAction = tShellOptions::tAction;
  tShellOptions options;
  auto refuse = [&](const std::string& why) {
    options.action = tAction::kBad;
    options.error = why;
    return options;
  };
  bool optionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i] != nullptr ? argv[i] : "";
    if (!optionsEnd && arg == "--") {
      optionsEnd = true;
    } else if (!optionsEnd && arg == "--help") {
      options.action = tAction::kHelp;
      return options;
    } else if (!optionsEnd && arg == "--version") {
      options.action = tAction::kVersion;
      return options;
    } else if (!optionsEnd && arg == "--window") {
      options.window = true;
      options.fullscreen = false;
    } else if (!optionsEnd && arg == "--fullscreen") {
      options.fullscreen = true;
      options.window = false;
    } else if (!optionsEnd && (arg == "--language" || arg.rfind("--language=", 0) == 0)) {
      std::string value;
      if (arg == "--language") {
        if (i + 1 >= argc) return refuse("--language needs a language");
        value = argv[++i] != nullptr ? argv[i] : "";
      } else {
        value = arg.substr(11);
      }
      options.language = LanguageFromArgument(value);
      if (options.language == 0) return refuse("unknown language '" + value + "'");
    } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
      return refuse("unknown option '" + arg + "'");
    } else if (arg.empty()) {
      return refuse("the mix's name is empty");
    } else if (options.mix.empty()) {
      options.mix = arg;
    } else {
      return refuse("only one mix can be loaded");
    }
  }
  return options;
}
