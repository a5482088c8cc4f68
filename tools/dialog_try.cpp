// Opens one file dialog on the desk's screen in a real window, with sound
// for its previews, lets the user (or a script) work it, and prints what was
// chosen: "chosen: <path>" or "cancelled". A save dialog's question before
// replacing a file is printed as "asked: <key> <path>" and answered with
// "replace".
//
//   dialog_try <content root with data\> main|effect|channel|mix|save-channel|save-mix|export
//              [--window]
#include <cstdio>
#include <cstring>

#include "audio/audio_setup.h"
#include "platform/display.h"
#include "platform/hostfs.h"
#include "ui/file_dialog.h"

int main(int argc, char** argv) {
  using V = tFileDialog::Variant;
  const struct {
    const char* name;
    V variant;
  } kVariants[] = {{"main", V::kMainSample},          {"effect", V::kEffectSample},
                   {"channel", V::kChannelFile},      {"mix", V::kMixFile},
                   {"save-channel", V::kSaveChannel}, {"save-mix", V::kSaveMix},
                   {"export", V::kExportWave}};
  const bool window = argc == 4 && std::strcmp(argv[3], "--window") == 0;
  const V* variant = nullptr;
  for (const auto& v : kVariants)
    if (argc >= 3 && std::strcmp(v.name, argv[2]) == 0) variant = &v.variant;
  if (variant == nullptr || (argc == 4 && !window) || argc > 4) {
    std::fprintf(stderr,
                 "usage: dialog_try CONTENT_ROOT "
                 "main|effect|channel|mix|save-channel|save-mix|export [--window]\n");
    return 2;
  }
  platform::InitDrives(argv[1], true);
  platform::DisplayOptions options;
  options.fullscreen = !window;
  int status = 0;
  try {
    CreateScreen(options, 800, 600, 8);
    if (!AudioInit()) std::fprintf(stderr, "dialog_try: no sound; previews are silent\n");
    tSurface desk;
    desk.Load("data\\main.bmp");
    desk.Draw(0, 0);
    tFileDialog dialog(*variant);
    tFileDialog::tHooks hooks;
    hooks.showMessage = [](const char* key, const char* path) {
      std::printf("asked: %s %s\n", key, path);
      std::fflush(stdout);
      return tFileDialog::kReplaceButton;
    };
    dialog.SetHooks(hooks);
    if (dialog.Run())
      std::printf("chosen: %s\n", dialog.Path().c_str());
    else
      std::printf("cancelled\n");
    AudioShutdown();
  } catch (const tAnyError& e) {
    std::fprintf(stderr, "dialog_try: %s\n", e.GetText());
    status = 1;
  }
  ReleaseScreen();
  return status;
}
