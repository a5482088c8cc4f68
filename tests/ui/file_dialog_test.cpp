// The file chooser driven by input records: the list, the name field, the
// folder rules, the previews and the save question, on real files in a
// fresh drive C: that lends the staged artwork from the build.
#include "ui/file_dialog.h"

#include <unistd.h>

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
    hooks.passOn = [this](const tInputEvent& e) { passed.push_back(e); };
    hooks.shown = [this] { ++shownCalls; };
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
  static void Type(tFileDialog& d, const std::string& cp1252) {
    for (char c : cp1252)
      d.HandleEvent({.kind = tInputKind::kText, .character = static_cast<uint8_t>(c)});
  }
  // Types a name into the field and presses Enter.
  static void Enter(tFileDialog& d, const std::string& cp1252) {
    Type(d, cp1252);
    Key(d, platform::kKeyEnter);
  }
  static void ClearName(tFileDialog& d) {
    Key(d, platform::kKeyHome);
    while (!d.NameText().empty()) Key(d, platform::kKeyDelete);
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

  std::vector<std::string> questions;
  std::vector<tInputEvent> passed;
  int answer = -1;
  int shownCalls = 0;
};

TEST_F(FileDialogTest, ListsFoldersFirstThenTheFilterMatchesWithoutRegardToCase) {
  for (const char* f : {"Set/b.WAV", "Set/A.wav", "Set/c.txt", "Set/readme", "Set/.hidden.wav",
                        "Set/a.wave", "Set/Zeta.wav"})
    WriteHost(f, "");
  for (const char* f : {"Set/zeta", "Set/Alpha", "Set/.git", "Set/beta.wav"}) MakeFolder(f);
  auto d = Open(V::kMainSample);
  EXPECT_EQ(shownCalls, 1);
  EXPECT_EQ(d->Folder(), "C:\\Set");
  const std::string folders = "..\\ Alpha\\ beta.wav\\ zeta\\ ";
  EXPECT_EQ(Listing(*d), folders + "A.wav b.WAV Zeta.wav");

  const dl::Layout l = d->Layout();
  Click(*d, l.filters[1].x + 5, l.filters[1].y + 5);  // All Files
  EXPECT_EQ(d->FilterIndex(), 1);
  EXPECT_EQ(Listing(*d), folders + "A.wav a.wave b.WAV c.txt readme Zeta.wav");

  // A typed pattern lists its matches; the filter choice brings the filter
  // back.
  Enter(*d, "*.t?t");
  EXPECT_FALSE(d->Finished());
  EXPECT_EQ(Listing(*d), folders + "c.txt");
  EXPECT_EQ(d->NameText(), "");
  Click(*d, l.filters[0].x + 5, l.filters[0].y + 5);
  EXPECT_EQ(Listing(*d), folders + "A.wav b.WAV Zeta.wav");

  // A drive's root has no parent entry.
  for (auto [row, folder, entry] : {std::tuple{0, "C:\\", "Set"}, {1, "Z:\\", "tmp"}}) {
    Click(*d, l.drives.x + 5, l.drives.y + 2 + row * dl::kListRowH + dl::kListRowH / 2);
    EXPECT_EQ(d->Folder(), folder);
    EXPECT_EQ(IndexOf(*d, ".."), -1);
    EXPECT_NE(IndexOf(*d, entry), -1);
  }
  d->End();
}

TEST_F(FileDialogTest, ScrollsByWheelKeysAndScrollBar) {
  for (int i = 0; i < 40; ++i) WriteHost("Set/f" + std::to_string(100 + i) + ".mix", "");
  auto d = Open(V::kMixFile);  // ".." and 40 files
  const int rows = d->RowsShown(), count = 41, last = count - rows;
  ASSERT_EQ(rows, 15);
  const auto shown = [&] { return std::make_pair(d->Selected(), d->FirstShown()); };
  Wheel(*d, -1);
  EXPECT_EQ(d->FirstShown(), 3);
  Wheel(*d, -100);
  EXPECT_EQ(d->FirstShown(), last);
  Wheel(*d, 100);

  // Keys move the selection and keep it in sight.
  Key(*d, platform::kKeyDown);
  EXPECT_EQ(d->Selected(), 0);
  Key(*d, platform::kKeyPageDown);
  EXPECT_EQ(shown(), std::make_pair(rows - 1, 0));
  Key(*d, platform::kKeyDown);
  EXPECT_EQ(shown(), std::make_pair(rows, 1));
  for (int i = 0; i < 5; ++i) Key(*d, platform::kKeyPageDown);
  EXPECT_EQ(shown(), std::make_pair(count - 1, last));
  Key(*d, platform::kKeyPageUp);
  EXPECT_EQ(shown(), std::make_pair(count - 1 - (rows - 1), last));
  Key(*d, platform::kKeyUp);
  EXPECT_EQ(d->FirstShown(), d->Selected());
  EXPECT_EQ(d->NameText(), d->Entries()[static_cast<size_t>(d->Selected())].name);

  // The scroll bar: arrows step a row, the track a page, the thumb follows
  // the pointer to either end.
  Wheel(*d, 100);
  const dl::Box bar = dl::ScrollBar(d->Layout());
  const int32_t x = bar.x + 5;
  for (auto [y, first] : {std::pair{bar.Bottom() - 3, 1},
                          {bar.y + 3, 0},
                          {bar.Bottom() - dl::kPartH - 3, rows},  // the track below the thumb
                          {bar.y + dl::kPartH + 2, 0}}) {         // above it
    Click(*d, x, y);
    EXPECT_EQ(d->FirstShown(), first) << y;
  }
  const int32_t grab = bar.y + dl::kPartH + 3;
  // Half the thumb's travel shows the middle of the list.
  const int32_t track = bar.h - 2 * dl::kPartH;
  const int32_t travel = track - std::max(12, track * rows / count);
  Feed(*d, tInputKind::kMousePress, x, grab);
  for (auto [y, first] :
       {std::pair{bar.Bottom(), last}, {grab, 0}, {grab + travel / 2, last / 2}}) {
    Feed(*d, tInputKind::kMouseMove, x, y);
    EXPECT_EQ(d->FirstShown(), first) << y;
  }
  Feed(*d, tInputKind::kMouseMove, x, grab);
  Feed(*d, tInputKind::kMouseRelease, x, grab);
  Feed(*d, tInputKind::kMouseMove, x,
       bar.Bottom());  // released: no longer follows
  EXPECT_EQ(d->FirstShown(), 0);
  d->End();
}

TEST_F(FileDialogTest, ClickSelectsAndDoubleClickOpensFoldersOrChoosesFiles) {
  MakeFolder("Set/Drums");
  WriteHost("Set/Drums/kick.wav", "");
  WriteHost("Set/loop.wav", "");
  auto d = Open(V::kMainSample);
  ASSERT_EQ(Listing(*d), "..\\ Drums\\ loop.wav");
  ClickEntry(*d, 2);
  EXPECT_EQ(d->Selected(), 2);
  EXPECT_EQ(d->NameText(), "loop.wav");
  ClickEntry(*d, 1);  // a folder leaves the name alone
  EXPECT_EQ(d->NameText(), "loop.wav");
  // The second press of a double-click on another row only selects it.
  ClickEntry(*d, 2, 2);
  EXPECT_EQ(d->Folder(), "C:\\Set");
  ClickEntry(*d, 1);
  ClickEntry(*d, 1, 2);
  EXPECT_EQ(d->Folder(), "C:\\Set\\Drums");
  EXPECT_EQ(Listing(*d), "..\\ kick.wav");
  EXPECT_EQ(d->Selected(), -1);
  ClickEntry(*d, 0);
  ClickEntry(*d, 0, 2);
  EXPECT_EQ(d->Folder(), "C:\\Set");
  // Enter opens the folder the list last selected, chooses a selected file.
  ClickEntry(*d, 1);
  Key(*d, platform::kKeyEnter);
  EXPECT_EQ(d->Folder(), "C:\\Set\\Drums");
  EXPECT_FALSE(d->Finished());
  ClickEntry(*d, 1);
  ClickEntry(*d, 1, 2);
  EXPECT_TRUE(d->End());
  EXPECT_EQ(d->Path(), "C:\\Set\\Drums\\kick.wav");
}

TEST_F(FileDialogTest, NameFieldEditsTypedTextAndLeavesThePlayingKeysAlone) {
  auto d = Open(V::kSaveMix);
  EXPECT_EQ(d->NameText(), "");
  Type(*d, "abc");
  Key(*d, platform::kKeyLeft);
  Key(*d, platform::kKeyBackspace);
  EXPECT_EQ(std::make_pair(d->NameText(), d->Caret()),
            std::make_pair(std::string("ac"), size_t{1}));
  for (uint8_t key : {platform::kKeyDelete, platform::kKeyDelete,    // nothing after the caret
                      platform::kKeyHome, platform::kKeyBackspace})  // nothing before it
    Key(*d, key);
  Type(*d, "x");
  Key(*d, platform::kKeyEnd);
  Key(*d, platform::kKeyRight);
  Type(*d, "\xE9\x80");  // e acute and the euro sign: stored as UTF-8
  EXPECT_EQ(d->NameText(), "xa\xC3\xA9\xE2\x82\xAC");
  Key(*d, platform::kKeyLeft);
  EXPECT_EQ(d->Caret(), 4u);  // over the three bytes of the euro sign
  Key(*d, platform::kKeyBackspace);
  Type(*d, std::string(1, '\x7F') + "\x81\t");  // no control or undefined codes
  EXPECT_EQ(d->NameText(), "xa\xE2\x82\xAC");

  // A click in the field puts the caret before the character under it.
  const dl::Box name = d->Layout().name;
  Click(*d, name.x + 3 + dl::kCellW + 1, name.y + 5);
  EXPECT_EQ(d->Caret(), 1u);

  // Letters, digits and the space bar only type; releases and other keys
  // reach the desk, as do focus changes.
  passed.clear();
  for (uint8_t k :
       {uint8_t('Q'), uint8_t('5'), uint8_t(platform::kKeySpace), uint8_t(platform::kKeyF1)})
    Key(*d, k);
  Feed(*d, tInputKind::kFocusLost);
  std::vector<std::pair<tInputKind, int>> reached;
  for (const tInputEvent& e : passed) reached.push_back({e.kind, e.key});
  const std::vector<std::pair<tInputKind, int>> expected = {
      {tInputKind::kKeyRelease, 'Q'},
      {tInputKind::kKeyRelease, '5'},
      {tInputKind::kKeyRelease, platform::kKeySpace},
      {tInputKind::kKeyPress, platform::kKeyF1},
      {tInputKind::kKeyRelease, platform::kKeyF1},
      {tInputKind::kFocusLost, 0}};
  EXPECT_EQ(reached, expected);
  EXPECT_FALSE(d->Finished());
  Key(*d, platform::kKeyEsc);
  EXPECT_FALSE(d->End());
  EXPECT_EQ(d->Path(), "");
}

TEST_F(FileDialogTest, EnterOnATypedFolderGoesThereAndAFileGetsTheDefaultExtension) {
  MakeFolder("Set/Alpha");
  MakeFolder("Other");
  auto d = Open(V::kMixFile);
  for (auto [typed, folder] : {std::pair{"Alpha", "C:\\Set\\Alpha"},
                               {"..\\..\\Other", "C:\\Other"},
                               {"C:/Set/", "C:\\Set"},
                               {"Missing\\", "C:\\Set"}}) {
    Enter(*d, typed);
    EXPECT_EQ(d->Folder(), folder) << typed;
    EXPECT_FALSE(d->Finished()) << typed;
    ClearName(*d);
  }
  // A file name is chosen in the folder shown, with the default extension
  // unless a dot stands fourth from its end.
  Enter(*d, "live.show");
  EXPECT_TRUE(d->End());
  EXPECT_EQ(d->Path(), "C:\\Set\\live.show.mix");
  for (auto [name, result] : {std::pair{"a.b", "a.b.mix"},
                              {"x.mix", "x.mix"},
                              {"x.wav", "x.wav"},
                              {".mix", ".mix"},
                              {"mix", "mix.mix"},
                              {"abc.", "abc..mix"}})
    EXPECT_EQ(tFileDialog::WithDefaultExtension(name, "mix"), result) << name;
  EXPECT_EQ(tFileDialog::WithDefaultExtension("name", ""), "name");
}

TEST_F(FileDialogTest, RemembersItsFolderAndRestoresTheCallers) {
  MakeFolder("Set/Alpha");
  MakeFolder("Other");
  WriteHost("Set/Alpha/a.mix", "");
  tFileDialog mixes(V::kMixFile);
  Hook(mixes);
  mixes.Begin();
  EXPECT_EQ(mixes.Folder(), "C:\\Set");
  Enter(mixes, "Alpha");
  ClickEntry(mixes, IndexOf(mixes, "a.mix"));
  ClickEntry(mixes, IndexOf(mixes, "a.mix"), 2);
  EXPECT_TRUE(mixes.End());
  EXPECT_EQ(platform::CurrentDirectory(), "C:\\Set");
  EXPECT_EQ(mixes.RememberedDirectory(), "C:\\Set\\Alpha");

  // The same dialog starts where it was left; another one where the caller is.
  mixes.SetInitialFile(nullptr);
  mixes.Begin();
  EXPECT_EQ(mixes.Folder(), "C:\\Set\\Alpha");
  EXPECT_EQ(platform::CurrentDirectory(),
            "C:\\Set\\Alpha");  // while it is shown
  // A path typed in full: the folder of the chosen file is remembered.
  Enter(mixes, "C:\\Other\\b");
  EXPECT_TRUE(mixes.End());
  EXPECT_EQ(mixes.Path(), "C:\\Other\\b.mix");
  EXPECT_EQ(mixes.RememberedDirectory(), "C:\\Other");
  EXPECT_EQ(platform::CurrentDirectory(), "C:\\Set");
  auto other = Open(V::kSaveMix);
  EXPECT_EQ(other->Folder(), "C:\\Set");
  other->End();

  // Cancel remembers too; a remembered folder that is gone gives the caller's.
  mixes.SetInitialFile(nullptr);
  mixes.Begin();
  Enter(mixes, "..");
  Key(mixes, platform::kKeyEsc);
  EXPECT_FALSE(mixes.End());
  EXPECT_EQ(mixes.RememberedDirectory(), "C:\\");
  ASSERT_TRUE(platform::SetCurrentDirectory("C:\\Other"));
  ASSERT_EQ(std::system(("rm -rf '" + root_ + "/Set/Alpha'").c_str()), 0);
  mixes.Begin();
  EXPECT_EQ(mixes.Folder(), "C:\\");
  mixes.End();
  EXPECT_EQ(platform::CurrentDirectory(), "C:\\Other");
}

TEST_F(FileDialogTest, WavePreviewShowsTheFormatAndPlaysEachSelectionOnce) {
  WriteHost("Set/a.wav", WaveBytes(44100, 16, 2, 4000));
  WriteHost("Set/b.wav", WaveBytes(22050, 8, 1, 4000));
  WriteHost("Set/c.wav", "RIFF....WAVEjunk");
  auto d = Open(V::kEffectSample);
  const auto texts = [&] {
    return d->StaticText(1012) + "|" + d->StaticText(1013) + "|" + d->StaticText(1014);
  };
  EXPECT_EQ(texts(), "Frequency:|Bits/Sample:|Channels:");
  tSound& sound = d->PreviewSound();
  ClickEntry(*d, IndexOf(*d, "a.wav"));
  EXPECT_EQ(texts(), "Frequency: 44100|Bits/Sample: 16|Channels: Stereo");
  EXPECT_TRUE(sound.IsPlaying());
  sound.Stop();
  ClickEntry(*d, IndexOf(*d, "a.wav"));  // the same path again: not played again
  EXPECT_FALSE(sound.IsPlaying());
  Key(*d, platform::kKeyDown);
  EXPECT_EQ(texts(), "Frequency: 22050|Bits/Sample: 8|Channels: Mono");
  sound.Stop();
  Key(*d, platform::kKeyUp);  // another path came in between
  EXPECT_TRUE(sound.IsPlaying());
  // A file that is no wave shows nothing of the one before and is silent.
  ClickEntry(*d, IndexOf(*d, "c.wav"));
  EXPECT_EQ(texts(), "Frequency:|Bits/Sample:|Channels:");
  EXPECT_FALSE(sound.IsPlaying());
  ClickEntry(*d, IndexOf(*d, "b.wav"));
  Key(*d, platform::kKeyEsc);
  d->End();
  EXPECT_FALSE(sound.IsPlaying());
  EXPECT_EQ(sound.Wave().Size(), 0u);
  // The next run forgets the last preview: the same file plays again.
  d->Begin();
  ClickEntry(*d, IndexOf(*d, "b.wav"));
  EXPECT_TRUE(sound.IsPlaying());
  d->End();
}

TEST_F(FileDialogTest, ChannelPreviewListsTheSettingsAndPlaysTheMainSample) {
  MakeFolder("Loops");
  WriteHost("Loops/kick.wav", WaveBytes(44100, 16, 2, 3000));
  WriteHost("Set/a.chn",
            "[Brevora "
            "Channel]\r\nVersion=3\r\nQuantize=1.000\r\nLoop=4.000\r\nDelay=0.250\r\n"
            "Volume=80\r\nBalance=-20\r\nPitch= 1.5\r\nSnd=E:\\Loops\\kick.wav\r\n"
            "SFx=Loops\\gone.wav\r\nAuthor=User\r\n");
  WriteHost("Set/b.chn", "[Brevora Channel]\r\nVersion=3\r\nSnd=\r\nSFx=\r\n");
  auto d = Open(V::kChannelFile);
  const auto texts = [&](std::initializer_list<int> ids) {
    std::string all;
    for (int id : ids) all += d->StaticText(id) + "|";
    return all;
  };
  ClickEntry(*d, IndexOf(*d, "a.chn"));
  EXPECT_EQ(texts({1002, 1005, 1004, 1003, 1006, 1007, 1012, 1013, 1008, 1010, 1009, 1011}),
            "Version: 3|Length: 4.000|Quantize: 1.000|Delay: 0.250|Volume: "
            "80|Balance: -20|"
            "Pitch: 1.5|Author: User|E:\\Loops\\kick.wav|44kHz 16bit "
            "S|Loops\\gone.wav|"
            "Not found|");
  EXPECT_TRUE(d->PreviewSound().IsPlaying());
  EXPECT_EQ(d->PreviewSound().GetLength(), 3000u);
  // Missing keys show "-"; empty names show no format, and nothing plays.
  ClickEntry(*d, IndexOf(*d, "b.chn"));
  EXPECT_EQ(texts({1002, 1005, 1013, 1008, 1010, 1009, 1011}),
            "Version: 3|Length: -|Author: -|||||");
  EXPECT_FALSE(d->PreviewSound().IsPlaying());
  d->End();
}

TEST_F(FileDialogTest, SaveAsksBeforeReplacingAFile) {
  WriteHost("Set/old.mix", "keep");
  MakeFolder("Set/dir.mix");
  // The desk stands in C:\ while the dialog shows C:\Set.
  ASSERT_TRUE(platform::SetCurrentDirectory("C:\\"));
  auto d = Open(V::kSaveMix);
  Enter(*d, "Set");
  answer = 2;  // keep
  Enter(*d, "old");
  EXPECT_EQ(questions, std::vector<std::string>{"Replace file C:\\Set\\old.mix from C:\\"});
  EXPECT_EQ(platform::CurrentDirectory(),
            "C:\\Set");  // back in the dialog's folder
  EXPECT_FALSE(d->Finished());
  answer = tFileDialog::kReplaceButton;
  Click(*d, d->Layout().ok.x + 10, d->Layout().ok.y + 10);
  EXPECT_EQ(questions.size(), 2u);
  EXPECT_TRUE(d->End());
  EXPECT_EQ(d->Path(), "C:\\Set\\old.mix");
  EXPECT_EQ(ReadHost("Set/old.mix"),
            "keep");  // the dialog itself writes nothing

  // A new name asks nothing. Nor do a folder's name and a path too long for
  // the desk: they are handed on, so that the save refuses them with its
  // own message instead of the dialog ignoring the OK. Loading never asks.
  questions.clear();
  EXPECT_EQ(d->NameText(),
            "C:\\Set\\old.mix");  // the field keeps the chosen path
  const std::string longName(256, 'n');
  for (auto [typed, path] : {std::pair<std::string, std::string>{"dir", "C:\\Set\\dir.mix"},
                             {"new", "C:\\Set\\new.mix"},
                             {longName, "C:\\Set\\" + longName + ".mix"}}) {
    d->SetInitialFile(nullptr);
    d->Begin();
    Enter(*d, typed);
    EXPECT_TRUE(d->End()) << path;
    EXPECT_EQ(d->Path(), path);
  }
  auto load = Open(V::kMixFile);
  Enter(*load, "old.mix");
  EXPECT_TRUE(load->End());
  EXPECT_TRUE(questions.empty());
}

TEST_F(FileDialogTest, OkAndCancelClickOnlyWhenReleasedOnThem) {
  auto d = Open(V::kSaveChannel);
  const dl::Layout l = d->Layout();
  Type(*d, "strip");
  // Pressed on Cancel and moved off; pressed on OK and released off it;
  // pressed elsewhere and released on OK.
  for (auto [press, move, release] :
       {std::tuple{l.cancel, dl::Box{l.cancel.x - 25, l.cancel.y, 1, 1}, l.cancel},
        {l.ok, l.ok, dl::Box{l.ok.Right() + 15, l.ok.y, 1, 1}},
        {l.name, l.name, l.ok}}) {
    Feed(*d, tInputKind::kMousePress, press.x + 5, press.y + 5);
    Feed(*d, tInputKind::kMouseMove, move.x + 5, move.y + 5);
    Feed(*d, tInputKind::kMouseRelease, release.x + 5, release.y + 5);
    EXPECT_FALSE(d->Finished());
  }
  Click(*d, l.ok.x + 5, l.ok.y + 5);
  EXPECT_TRUE(d->End());
  EXPECT_EQ(d->Path(), "C:\\Set\\strip.chn");
  // Closing the window cancels and tells the desk.
  d->Begin();
  Feed(*d, tInputKind::kClose);
  EXPECT_FALSE(d->End());
  ASSERT_FALSE(passed.empty());
  EXPECT_EQ(passed.back().kind, tInputKind::kClose);
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
