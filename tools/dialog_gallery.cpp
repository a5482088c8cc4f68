// Shows each file dialog on the desk the way the user meets it: the desk,
// the dialog's door over it, the chooser browsing the demo set with a file
// selected and previewed. Writes one PNG of the screen per dialog, so that
// the look can be judged without the desk around it.
//
//   dialog_gallery <content root with data\ and Mixes\> <output folder>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/display.h"
#include "platform/hostfs.h"
#include "platform/png_file.h"
#include "ui/file_dialog.h"

namespace {

struct Shot {
  tFileDialog::Variant variant;
  const char* folder;
  const char* select;  // the entry to select, by moving down the list
  const char* typed;   // typed into the name field afterwards, or empty
  const char* file;
};

bool WriteScreen(const std::string& path) {
  platform::Rgb palette[256];
  platform::GetPalette(palette);
  const std::vector<uint8_t> pixels = platform::Screen()->Pixels();
  return platform::WriteIndexedPng(path, 800, 600, pixels.data(), palette);
}

void Feed(tFileDialog& dialog, platform::tInputKind kind, uint8_t key, uint8_t character = 0) {
  platform::tInputEvent event;
  event.kind = kind;
  event.key = key;
  event.character = character;
  dialog.HandleEvent(event);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: dialog_gallery CONTENT_ROOT OUTPUT_DIR\n");
    return 2;
  }
  // The program moves its working directory: keep where the pictures go.
  char* outDir = realpath(argv[2], nullptr);
  if (outDir == nullptr) {
    std::fprintf(stderr, "dialog_gallery: no folder %s\n", argv[2]);
    return 1;
  }
  const std::string out = outDir;
  std::free(outDir);
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  platform::InitDrives(argv[1], true);
  platform::DisplayOptions options;
  options.fullscreen = false;
  try {
    CreateScreen(options, 800, 600, 8);
    tSurface desk;
    desk.Load("data\\main.bmp");
    using V = tFileDialog::Variant;
    const Shot shots[] = {
        {V::kMainSample, "C:\\Mixes\\you bv feel", "drums.wav", "", "dialog_main_sample.png"},
        {V::kEffectSample, "C:\\Mixes\\you bv feel", "riser fx.wav", "", "dialog_effect.png"},
        {V::kChannelFile, "C:\\Mixes\\you bv feel", "bass.chn", "", "dialog_channel.png"},
        {V::kMixFile, "C:\\Mixes", "you bv feel.mix", "", "dialog_mix.png"},
        {V::kSaveChannel, "C:\\Mixes\\you bv feel", "lead.chn", "", "dialog_save_channel.png"},
        {V::kSaveMix, "C:\\Mixes", "you bv feel.mix", "", "dialog_save_mix.png"},
        {V::kExportWave, "C:\\Mixes", "", "my export", "dialog_export.png"},
    };
    for (const Shot& shot : shots) {
      desk.Draw(0, 0);
      platform::SetCurrentDirectory(shot.folder);
      tFileDialog dialog(shot.variant);
      dialog.Begin();
      if (*shot.select != 0) {
        for (size_t i = 0; i < dialog.Entries().size(); ++i) {
          Feed(dialog, platform::tInputKind::kKeyPress, platform::kKeyDown);
          if (dialog.Entries()[static_cast<size_t>(dialog.Selected())].name == shot.select) break;
        }
      }
      for (const char* c = shot.typed; *c != 0; ++c)
        Feed(dialog, platform::tInputKind::kText, 0, static_cast<uint8_t>(*c));
      const std::string png = out + "/" + shot.file;
      if (!WriteScreen(png)) {
        std::fprintf(stderr, "dialog_gallery: cannot write %s\n", png.c_str());
        return 1;
      }
      dialog.End();
      platform::SetCurrentDirectory("C:\\");
    }
  } catch (const tAnyError& e) {
    std::fprintf(stderr, "dialog_gallery: %s\n", e.GetText());
    return 1;
  }
  ReleaseScreen();
  return 0;
}
