// The file chooser driven by input records: scrolling, host names and the
// save question, on real files in a fresh drive C: that lends the staged
// artwork from the build.
#include "ui/file_dialog.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "audio/wave.h"
#include "tests/channels/channels_test_util.h"
#include "tests/ui/ui_test_support.h"

namespace {

namespace dl = dialog_layout;
using platform::tInputEvent;
using platform::tInputKind;
using V = tFileDialog::Variant;

class FileDialogTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    ASSERT_EQ(symlink(BREVORA_STAGE "/data", (root_ + "/data").c_str()), 0);
    // Fixed labels, so that what the drive list shows does not depend on the
    // host.
    platform::SetDrive('C', root_, "DESK");
    platform::SetDrive('Z', "/", "HOST");
    MakeFolder("Set");
    ASSERT_TRUE(platform::SetCurrentDirectory("C:\\Set"));
  }

  void MakeFolder(const std::string& rel) {
    ASSERT_EQ(std::system(("mkdir -p '" + root_ + "/" + rel + "'").c_str()), 0);
  }

  // The dialog of a variant with hooks that record what reaches the desk.
  std::unique_ptr<tFileDialog> Open(V variant) {
    auto d = std::make_unique<tFileDialog>(variant);
    Hook(*d);
    d->Begin();
    return d;
  }
  void Hook(tFileDialog& d) {
    tFileDialog::tHooks hooks;
    hooks.showMessage = [this](const char* key, const char* path) {
      // Messages find their texts from the caller's folder.
      questions.push_back(std::string(key) + " " + path + " from " + platform::CurrentDirectory());
      return answer;
    };
    d.SetHooks(hooks);
  }

  static void Feed(tFileDialog& d, tInputKind kind, int32_t x = 0, int32_t y = 0, int clicks = 1) {
    d.HandleEvent({.kind = kind, .x = x, .y = y, .clicks = clicks});
  }
  static void Click(tFileDialog& d, int32_t x, int32_t y, int clicks = 1) {
    Feed(d, tInputKind::kMousePress, x, y, clicks);
    Feed(d, tInputKind::kMouseRelease, x, y);
  }
  static void Key(tFileDialog& d, uint8_t key) {
    d.HandleEvent({.kind = tInputKind::kKeyPress, .key = key});
    d.HandleEvent({.kind = tInputKind::kKeyRelease, .key = key});
  }
  static void ClearName(tFileDialog& d) {
    Key(d, platform::kKeyHome);
    while (!d.NameText().empty()) Key(d, platform::kKeyDelete);
  }
  static void Type(tFileDialog& d, const std::string& cp1252) {
    for (char c : cp1252)
      d.HandleEvent({.kind = tInputKind::kText, .character = static_cast<uint8_t>(c)});
  }
  // Types a name into the field and presses Enter.
  static void Enter(tFileDialog& d, const std::string& cp1252) {
    Type(d, cp1252);
    Key(d, platform::kKeyEnter);
  }
  static void Wheel(tFileDialog& d, int notches) {
    d.HandleEvent({.kind = tInputKind::kWheel, .wheel = notches});
  }
  // Clicks the middle of the row that shows entry index.
  static void ClickEntry(tFileDialog& d, int index, int clicks = 1) {
    const dl::Box rows = dl::ListRows(d.Layout());
    Click(d, rows.x + 20, rows.y + (index - d.FirstShown()) * dl::kListRowH + dl::kListRowH / 2,
          clicks);
  }
  static int IndexOf(const tFileDialog& d, const std::string& name) {
    for (size_t i = 0; i < d.Entries().size(); ++i)
      if (d.Entries()[i].name == name) return static_cast<int>(i);
    return -1;
  }
  static std::string Listing(const tFileDialog& d) {
    std::string out;
    for (const auto& e : d.Entries())
      out += (out.empty() ? "" : " ") + e.name + (e.folder ? "\\" : "");
    return out;
  }

  // Works the dialog through steps separated by "|", each written to the
  // trace with what the dialog shows after it: a key ("Down", "PgUp"),
  // "enter abc" (typed, then Enter), "wheel -1".
  void Steps(tFileDialog& d, const std::string& steps) {
    std::istringstream in(steps);
    for (std::string step; std::getline(in, step, '|');) {
      const size_t space = step.find(' ');
      const std::string verb = step.substr(0, space);
      const std::string arg = space == std::string::npos ? "" : step.substr(space + 1);
      if (KeyNamed(verb) != 0)
        Key(d, KeyNamed(verb));
      else if (verb == "enter")
        Enter(d, arg);
      else if (verb == "wheel")
        Wheel(d, std::atoi(arg.c_str()));
      else
        return ADD_FAILURE() << "no such step: " << step;
      Show(d, step);
    }
  }
  // A line of the trace: what was done, the folder, the selected entry, the
  // first entry shown, the name field and its caret and whether the dialog
  // has finished; the listing on a line of its own whenever it changed.
  void Show(tFileDialog& d, const std::string& done) {
    if (Listing(d) != listed_) {
      listed_ = Listing(d);
      Note("list " + listed_);
    }
    Note(done + ": " + d.Folder() + " sel " + std::to_string(d.Selected()) + " first " +
         std::to_string(d.FirstShown()) + " name '" + d.NameText() + "' caret " +
         std::to_string(d.Caret()) + (d.Finished() ? " finished" : ""));
  }
  // A line of the trace, bytes outside printable ASCII as \xNN.
  void Note(const std::string& line) {
    for (unsigned char c : line) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      trace_ += c >= 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c)) : std::string(hex);
    }
    trace_ += "\n";
  }
  // Ends the dialog and writes the outcome and the path chosen.
  void Ended(tFileDialog& d) {
    const bool chosen = d.End();
    Note(std::string(chosen ? "chosen " : "cancelled ") + d.Path());
  }

  std::string trace_, listed_;
  std::vector<std::string> questions;
  int answer = -1;
};

// The wheel scrolls three rows a notch; keys move the selection and keep it
// in sight; the scroll bar's arrows step a row, its track a page, and its
// thumb follows the pointer to either end until it is let go.
TEST_F(FileDialogTest, ScrollsByWheelKeysAndScrollBar) {
  for (int i = 0; i < 40; ++i) WriteHost("Set/f" + std::to_string(100 + i) + ".mix", "");
  auto d = Open(V::kMixFile);  // ".." and 40 files
  Note("rows " + std::to_string(d->RowsShown()));
  Steps(*d, "wheel -1|wheel -100|wheel 100|Down|PgDn|Down|PgDn|PgDn|PgDn|PgDn|PgDn|PgUp|Up");
  Steps(*d, "wheel 100");
  const dl::Box bar = dl::ScrollBar(d->Layout());
  const int32_t x = bar.x + 5;
  for (auto [y, part] : {std::pair{bar.Bottom() - 3, "down arrow"},
                         {bar.y + 3, "up arrow"},
                         {bar.Bottom() - dl::kPartH - 3, "track below"},
                         {bar.y + dl::kPartH + 2, "track above"}}) {
    Click(*d, x, y);
    Show(*d, part);
  }
  // Half the thumb's travel shows the middle of the list.
  const int32_t grab = bar.y + dl::kPartH + 3;
  const int32_t track = bar.h - 2 * dl::kPartH;
  const int32_t travel = track - std::max(12, track * d->RowsShown() / 41);
  Feed(*d, tInputKind::kMousePress, x, grab);
  for (auto [y, part] :
       {std::pair{bar.Bottom(), "thumb to the end"}, {grab, "back"}, {grab + travel / 2, "half"}}) {
    Feed(*d, tInputKind::kMouseMove, x, y);
    Show(*d, part);
  }
  Feed(*d, tInputKind::kMouseMove, x, grab);
  Feed(*d, tInputKind::kMouseRelease, x, grab);
  Feed(*d, tInputKind::kMouseMove, x, bar.Bottom());
  Show(*d, "moved after the release");
  d->End();
  ExpectGoldenText("dialog_scrolling.trace", trace_);
}

// Saving over a file asks first (from the caller's folder, answered in the
// dialog's); the dialog itself writes nothing. A new name, a folder's name
// and a path too long for the desk ask nothing: they are handed on, so that
// the save refuses them with its own message. Loading never asks.
TEST_F(FileDialogTest, SaveAsksBeforeReplacingAFile) {
  WriteHost("Set/old.mix", "keep");
  MakeFolder("Set/dir.mix");
  ASSERT_TRUE(platform::SetCurrentDirectory("C:\\"));
  auto d = Open(V::kSaveMix);
  answer = 2;  // keep
  Steps(*d, "enter Set|enter old");
  Note("current " + platform::CurrentDirectory());
  answer = tFileDialog::kReplaceButton;
  Click(*d, d->Layout().ok.x + 10, d->Layout().ok.y + 10);
  Show(*d, "OK");
  Ended(*d);
  Show(*d, "ended");
  Note("file " + ReadHost("Set/old.mix"));
  for (const std::string& typed : {std::string("dir"), std::string("new"), std::string(256, 'n')}) {
    d->SetInitialFile(nullptr);
    d->Begin();
    Enter(*d, typed);
    Ended(*d);
  }
  auto load = Open(V::kMixFile);
  Steps(*load, "enter old.mix");
  Ended(*load);
  for (const std::string& question : questions) Note("asked " + question);
  ExpectGoldenText("dialog_save.trace", trace_);
}

TEST_F(FileDialogTest, HostNamesShowTheirCodePageCharactersAndAreHandedOnExactly) {
  const std::string name = "Caf\xC3\xA9 \xCE\xA9\xE2\x82\xAC.wav";  // "Café Ω€.wav" in UTF-8
  WriteHost("Set/" + name, WaveBytes(22050, 16, 1, 100));
  const auto glyphs = [](const std::string& bytes) {
    std::vector<uint16_t> shown;
    for (const tShownCharacter& c : ShownCharacters(bytes)) shown.push_back(c.glyph);
    return shown;
  };
  const uint16_t none = dl::kPlaceholderGlyph;
  EXPECT_EQ(glyphs(name),
            (std::vector<uint16_t>{'C' - 32, 'a' - 32, 'f' - 32, 0xE9 - 32, 0, none, 0x80 - 32,
                                   '.' - 32, 'w' - 32, 'a' - 32, 'v' - 32}));
  // Bytes that are no UTF-8 and code page gaps show the placeholder each.
  EXPECT_EQ(glyphs("\xE9x\xC0\x80\x81"), (std::vector<uint16_t>{none, 'x' - 32, none, none, none}));
  // The five codes the code page leaves undefined have neither a glyph nor
  // bytes; its neighbours do.
  for (uint8_t code : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(DialogGlyphOf(code), none) << int(code);
    EXPECT_EQ(HostBytesOf(code), "") << int(code);
  }
  EXPECT_EQ(HostBytesOf(0x8E), "\xC5\xBD");  // Z with caron
  EXPECT_EQ(HostBytesOf(0x9F), "\xC5\xB8");  // Y with diaeresis

  auto d = Open(V::kMainSample);
  const int index = IndexOf(*d, name);
  ASSERT_GE(index, 0);
  ClickEntry(*d, index);
  ClickEntry(*d, index, 2);
  EXPECT_TRUE(d->End());
  EXPECT_EQ(d->Path(), "C:\\Set\\" + name);
  EXPECT_TRUE(platform::CanOpenForReading(d->Path()));
}

// The three templates with a preview shown, as the user sees them; the
// first list shows a name with a character the dialog's font does not have.
TEST_F(FileDialogTest, LooksAsDrawn) {
  MakeFolder("Set/Drums");
  MakeFolder("Set/Vocals");
  MakeFolder("Loops");
  WriteHost("Loops/kick.wav", WaveBytes(44100, 16, 2, 3000));
  WriteHost("Set/groove.wav", WaveBytes(44100, 16, 2, 3000));
  WriteHost("Set/bass line.wav", WaveBytes(22050, 8, 1, 3000));
  WriteHost("Set/Caf\xC3\xA9 \xCE\xA9.wav", WaveBytes(22050, 8, 1, 300));
  WriteHost("Set/kick.chn",
            "[Brevora "
            "Channel]\r\nVersion=3\r\nQuantize=1.000\r\nLoop=4.000\r\nDelay=0.000\r\n"
            "Volume=80\r\nBalance=-20\r\nPitch= 1.5\r\nSnd=C:\\Loops\\kick.wav\r\n"
            "SFx=C:\\Loops\\snare.wav\r\nAuthor=User\r\n");
  WriteHost("Set/hats.chn", "[Brevora Channel]\r\nVersion=3\r\n");
  WriteHost("Set/you bv feel.mix", "[Brevora Mix]\r\n");
  WriteHost("Set/sunday.mix", "[Brevora Mix]\r\n");
  const tRect door{dl::kDoorX, dl::kDoorY, dl::kDoorX + dl::kDoorW, dl::kDoorY + dl::kDoorH};
  for (auto [variant, select, typed, golden] :
       {std::tuple{V::kMainSample, "groove.wav", "", "dialog_wave"},
        {V::kChannelFile, "kick.chn", "", "dialog_channel"},
        {V::kSaveMix, "sunday.mix", "my mix", "dialog_mix"}}) {
    SCOPED_TRACE(golden);
    FillScreen(0);
    auto d = Open(variant);
    ClickEntry(*d, IndexOf(*d, select));
    if (*typed != 0) {
      ClearName(*d);
      Type(*d, typed);
    }
    ExpectGolden(golden, door);
    d->End();
  }
}

}  // namespace
