#include "ui/file_dialog.h"

#include <algorithm>
#include <cstdio>

#include "audio/wave.h"
#include "platform/display.h"
#include "platform/hostfs.h"
#include "platform/last_error.h"
#include "platform/lock.h"
#include "platform/profile.h"

namespace dl = dialog_layout;

namespace {

struct tVariantInfo {
  int templateId;
  const char* door;
  const char* filterLabel;
  const char* pattern;
  const char* extension;
  tFileDialog::Preview preview;
  bool save;
};

const tVariantInfo& Info(tFileDialog::Variant variant) {
  using P = tFileDialog::Preview;
  static const tVariantInfo kInfo[] = {
      {105, "data\\door_isnd.bmp", "Wave files", "*.wav", "wav", P::kWave, false},
      {105, "data\\door_isfx.bmp", "Wave files", "*.wav", "wav", P::kWave, false},
      {102, "data\\door_lchn.bmp", "CHN files", "*.chn", "chn", P::kChannel, false},
      {107, "data\\door_lmix.bmp", "MIX files", "*.mix", "mix", P::kNone, false},
      {102, "data\\door_schn.bmp", "CHN files", "*.chn", "chn", P::kChannel, true},
      {107, "data\\door_smix.bmp", "MIX files", "*.mix", "mix", P::kNone, true},
      {105, "data\\door_swav.bmp", "Wave files", "*.wav", "wav", P::kWave, true},
  };
  return kInfo[static_cast<int>(variant)];
}

constexpr const char* kAllFilesLabel = "All Files";
constexpr const char* kAllFilesPattern = "*.*";
constexpr const char* kChannelSection = "Brevora Channel";
constexpr int32_t kArrowH = dl::kPartH;
constexpr int32_t kMinThumb = 12;
constexpr int32_t kCapRows = 4;
constexpr int kWheelRows = 3;
constexpr uint8_t kEllipsis = 0x85;

bool IsRoot(const std::string& folder) {
  return folder.size() == 3 && folder[1] == ':' && folder[2] == '\\';
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return IsRoot(folder) ? folder + name : folder + "\\" + name;
}

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Names in the order of the list: without regard to ASCII case, then by
// their exact bytes so that the order never depends on the host's.
bool NameBefore(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char x = AsciiUpper(a[i]), y = AsciiUpper(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

// Where each shown character of a name starts, plus its end.
std::vector<size_t> CharacterStarts(const std::string& bytes) {
  std::vector<size_t> starts;
  size_t at = 0;
  for (const tShownCharacter& c : ShownCharacters(bytes)) {
    starts.push_back(at);
    at += c.bytes;
  }
  starts.push_back(at);
  return starts;
}

size_t CharacterIndexOf(const std::vector<size_t>& starts, size_t byte) {
  return static_cast<size_t>(std::lower_bound(starts.begin(), starts.end(), byte) - starts.begin());
}

// A wave file's format as the wave reader takes it, or false when the
// reader cannot get as far as the format.
bool ReadWaveFormat(const std::string& path, WAVEFORMATEX& format) {
  tWave probe;
  probe.LoadWave(path);
  if (probe.Rate() == 0) return false;
  format = probe.Format();
  return true;
}

// A wave path stored in a channel file, resolved as loading the channel
// does: without its drive and leading separator, on the root of the
// channel file's drive.
std::string ResolveStoredWave(const std::string& channelFile, std::string wave) {
  if (wave.size() >= 2 && wave[1] == ':') wave.erase(0, 2);
  if (!wave.empty() && wave[0] == '\\') wave.erase(0, 1);
  return channelFile.substr(0, 3) + wave;
}

}  // namespace

tFileDialog::tFileDialog(Variant variant)
    : m_Variant(variant), m_Layout(dl::LayoutOf(Info(variant).templateId)) {
  m_StaticTexts.resize(static_cast<size_t>(m_Layout.statics));
  ResetPreviewTexts();
}

const char* tFileDialog::DoorImage() const {
  return Info(m_Variant).door;
}

bool tFileDialog::IsSaveDialog() const {
  return Info(m_Variant).save;
}

tFileDialog::Preview tFileDialog::GetPreview() const {
  return Info(m_Variant).preview;
}

const char* tFileDialog::DefaultExtension() const {
  return Info(m_Variant).extension;
}

void tFileDialog::SetInitialFile(const char* text) {
  m_Name = text != nullptr ? text : "";
  m_Caret = m_Name.size();
  m_NameFirst = 0;
}

std::string tFileDialog::WithDefaultExtension(const std::string& name, const char* extension) {
  if (extension == nullptr || *extension == 0) return name;
  if (name.size() >= 4 && name[name.size() - 4] == '.') return name;
  return name + "." + extension;
}

int tFileDialog::RowsShown() const {
  return dl::VisibleRows(dl::ListRows(m_Layout));
}

std::string tFileDialog::StaticText(int id) const {
  for (int i = 0; i < m_Layout.statics; ++i)
    if (m_Layout.text[static_cast<size_t>(i)].id == id)
      return m_StaticTexts[static_cast<size_t>(i)];
  return "";
}

// ---- running ----

void tFileDialog::Begin() {
  // The artwork lies in the content root, whatever folder is current.
  if (!m_Font.Loaded()) {
    m_Font.Load("C:\\data\\font_dialog.bmp");
    m_Parts.Load("C:\\data\\dialog_parts.bmp", dl::kParts);
    m_Ok.Load("C:\\data\\button_ok_cancel.bmp");
    m_Cancel.Load("C:\\data\\button_ok_cancel.bmp");
    m_Ok.Place(m_Layout.ok.x, m_Layout.ok.y);
    m_Cancel.Place(m_Layout.cancel.x, m_Layout.cancel.y);
  }
  m_Door.Load((std::string("C:\\") + DoorImage()).c_str());
  m_Finished = false;
  m_Chosen = false;
  m_Path.clear();
  m_LastPreviewed.clear();
  m_Mask.clear();
  m_Filter = 0;
  m_Drag = Drag::kNone;
  m_Ok.StoreState(tControl::kNormal);
  m_Cancel.StoreState(tControl::kNormal);
  ResetPreviewTexts();

  m_Caller = platform::CurrentDirectory();
  if ((m_Remembered.empty() || !EnterFolder(m_Remembered)) && !EnterFolder(m_Caller))
    EnterFolder("C:\\");

  m_Drives.clear();
  for (const platform::Drive& drive : platform::Drives()) {
    tDriveRow row;
    row.letter = drive.letter;
    row.text = std::string(1, drive.letter) + ":";
    platform::VolumeInfo volume;
    std::string label = drive.label;
    if (label.empty() && platform::VolumeInformation(row.text + "\\", volume)) label = volume.label;
    if (!label.empty()) row.text += " " + label;
    m_Drives.push_back(row);
  }
  std::sort(m_Drives.begin(), m_Drives.end(),
            [](const tDriveRow& a, const tDriveRow& b) { return a.letter < b.letter; });

  m_Open = true;
  DrawAll();
  if (m_Hooks.shown) m_Hooks.shown();
}

bool tFileDialog::End() {
  m_Remembered = m_Folder;
  if (m_Chosen) {
    // The folder of the chosen file, also when its path was typed in full.
    const size_t slash = m_Path.rfind('\\');
    if (slash != std::string::npos) {
      const std::string folder = m_Path.substr(0, slash == 2 ? 3 : slash);
      if (platform::IsDirectory(folder)) m_Remembered = folder;
    }
    // Like a path buffer, the field offers the chosen file the next time.
    SetInitialFile(m_Path.c_str());
  } else {
    m_Path.clear();
  }
  // The desk finds its data relative to its directory: never leave it elsewhere.
  if (!platform::SetCurrentDirectory(m_Caller)) platform::SetCurrentDirectory("C:\\");
  m_PreviewSound.Stop();
  m_PreviewSound.Unload();
  m_Open = false;
  return m_Chosen;
}

void tFileDialog::Finish(bool chosen) {
  m_Finished = true;
  m_Chosen = chosen;
}

void tFileDialog::Cancel() {
  Finish(false);
}

// ---- the folder and its list ----

bool tFileDialog::EnterFolder(const std::string& path) {
  std::string full;
  if (!platform::FullPath(path, full) || !platform::IsDirectory(full)) return false;
  platform::DirectorySearch probe;
  if (!probe.Start(full, "*") || !platform::SetCurrentDirectory(full)) return false;
  m_Folder = platform::CurrentDirectory();
  m_Selected = -1;
  m_First = 0;
  m_ListActive = false;
  Relist();
  if (m_Open) {
    DrawFolder();
    DrawDrives();
    DrawList();
  }
  return true;
}

void tFileDialog::Relist() {
  const std::string mask =
      !m_Mask.empty() ? m_Mask : (m_Filter == 0 ? Info(m_Variant).pattern : kAllFilesPattern);
  std::vector<tEntry> folders, files;
  platform::DirectorySearch search;
  for (bool more = search.Start(m_Folder, "*"); more && search.Valid(); more = search.Next()) {
    const platform::DirectorySearch::Entry& e = search.Current();
    if (e.name == "." || e.name == "..") continue;
    if (e.name[0] == '.') continue;  // hidden on the host
    if (e.directory)
      folders.push_back({e.name, true});
    else if (platform::MatchesMask(e.name, mask))
      files.push_back({e.name, false});
  }
  const auto before = [](const tEntry& a, const tEntry& b) { return NameBefore(a.name, b.name); };
  std::sort(folders.begin(), folders.end(), before);
  std::sort(files.begin(), files.end(), before);
  m_Entries.clear();
  if (!IsRoot(m_Folder)) m_Entries.push_back({"..", true});
  m_Entries.insert(m_Entries.end(), folders.begin(), folders.end());
  m_Entries.insert(m_Entries.end(), files.begin(), files.end());
  m_Selected = -1;
  m_First = 0;
}

void tFileDialog::ScrollTo(int first) {
  const int count = static_cast<int>(m_Entries.size());
  first = std::clamp(first, 0, std::max(0, count - RowsShown()));
  if (first == m_First) return;
  m_First = first;
  if (m_Open) DrawList();
}

void tFileDialog::EnsureVisible(int index) {
  if (index < m_First)
    ScrollTo(index);
  else if (index >= m_First + RowsShown())
    ScrollTo(index - RowsShown() + 1);
}

void tFileDialog::Select(int index, bool fromList) {
  const int count = static_cast<int>(m_Entries.size());
  if (count == 0) return;
  index = std::clamp(index, 0, count - 1);
  m_Selected = index;
  m_ListActive = fromList;
  const tEntry& entry = m_Entries[static_cast<size_t>(index)];
  if (!entry.folder) {
    m_Name = entry.name;
    m_Caret = m_Name.size();
    m_NameFirst = 0;
    if (m_Open) DrawName();
  }
  EnsureVisible(index);
  if (m_Open) DrawList();
  PreviewSelection();
}

void tFileDialog::Activate(int index) {
  const tEntry& entry = m_Entries[static_cast<size_t>(index)];
  if (entry.folder) {
    EnterFolder(JoinPath(m_Folder, entry.name));
    return;
  }
  m_Name = entry.name;
  m_Caret = m_Name.size();
  Accept();
}

void tFileDialog::Accept() {
  if (m_ListActive && m_Selected >= 0 && m_Entries[static_cast<size_t>(m_Selected)].folder) {
    Activate(m_Selected);
    return;
  }
  if (m_Name.empty()) return;
  const size_t wild = m_Name.find_first_of("*?");
  if (wild != std::string::npos) {
    // A pattern lists the matching files, in the folder it names if any.
    const size_t slash = m_Name.find_last_of("\\/");
    if (slash != std::string::npos && slash < wild && !EnterFolder(m_Name.substr(0, slash + 1)))
      return;
    m_Mask = slash == std::string::npos ? m_Name : m_Name.substr(slash + 1);
    SetInitialFile(nullptr);
    Relist();
    if (m_Open) DrawAll();
    return;
  }
  std::string full;
  if (!platform::FullPath(m_Name, full)) {
    // A name too long for the desk is handed on as it stands, in the folder
    // shown unless it names its own drive or root.
    if (platform::LastErrorCode() != platform::kErrorFileNameTooLong) return;
    const bool rooted =
        m_Name[0] == '\\' || m_Name[0] == '/' || (m_Name.size() >= 2 && m_Name[1] == ':');
    full = rooted ? m_Name : JoinPath(m_Folder, m_Name);
  }
  if (platform::IsDirectory(full)) {
    if (EnterFolder(full)) {
      SetInitialFile(nullptr);
      if (m_Open) DrawName();
    }
    return;
  }
  if (m_Name.back() == '\\' || m_Name.back() == '/') return;  // no such folder
  Choose(full);
}

void tFileDialog::Choose(const std::string& fullPath) {
  // A path too long for the desk or naming a folder is still handed on: the
  // load, save or export refuses it with its own message, so the person
  // learns why nothing happened.
  const std::string path = WithDefaultExtension(fullPath, DefaultExtension());
  if (IsSaveDialog() && path.size() <= platform::kMaxPath &&
      platform::FileOrDirectoryExists(path) && !platform::IsDirectory(path)) {
    // The question's texts are looked up from the caller's folder, not from
    // the folder the dialog shows.
    platform::SetCurrentDirectory(m_Caller);
    const int answer = m_Hooks.showMessage ? m_Hooks.showMessage(kReplaceKey, path.c_str()) : -1;
    platform::SetCurrentDirectory(m_Folder);
    if (answer != kReplaceButton) return;
  }
  m_Path = path;
  Finish(true);
}

// ---- records ----

void tFileDialog::HandleEvent(const platform::tInputEvent& event) {
  using platform::tInputKind;
  switch (event.kind) {
    case tInputKind::kMousePress:
      OnPress(event);
      break;
    case tInputKind::kMouseMove:
      OnMove(event.x, event.y);
      break;
    case tInputKind::kMouseRelease:
      OnRelease(event.x, event.y);
      break;
    case tInputKind::kWheel:
      ScrollTo(m_First - event.wheel * kWheelRows);
      break;
    case tInputKind::kKeyPress:
      OnKeyPress(event);
      break;
    case tInputKind::kText:
      OnText(event.character);
      break;
    case tInputKind::kExpose:
      DrawAll();
      break;
    case tInputKind::kClose:
      Cancel();
      if (m_Hooks.passOn) m_Hooks.passOn(event);
      break;
    case tInputKind::kKeyRelease:
    case tInputKind::kFocusGained:
    case tInputKind::kFocusLost:
    case tInputKind::kWake:
      if (m_Hooks.passOn) m_Hooks.passOn(event);
      break;
    case tInputKind::kNone:
      break;
  }
}

void tFileDialog::OnKeyPress(const platform::tInputEvent& event) {
  using namespace platform;
  const std::vector<size_t> starts = CharacterStarts(m_Name);
  const size_t caretChar = CharacterIndexOf(starts, m_Caret);
  const size_t chars = starts.size() - 1;
  const uint8_t key = event.key;
  switch (key) {
    case kKeyEnter:
      // A held Enter would go on opening folders and choosing in them.
      if (!event.repeat) Accept();
      return;
    case kKeyEsc:
      Cancel();
      return;
    case kKeyBackspace:
      if (caretChar > 0) {
        m_Name.erase(starts[caretChar - 1], starts[caretChar] - starts[caretChar - 1]);
        m_Caret = starts[caretChar - 1];
      }
      break;
    case kKeyDelete:
      if (caretChar < chars) m_Name.erase(m_Caret, starts[caretChar + 1] - m_Caret);
      break;
    case kKeyLeft:
      if (caretChar > 0) m_Caret = starts[caretChar - 1];
      break;
    case kKeyRight:
      if (caretChar < chars) m_Caret = starts[caretChar + 1];
      break;
    case kKeyHome:
      m_Caret = 0;
      break;
    case kKeyEnd:
      m_Caret = m_Name.size();
      break;
    case kKeyUp:
    case kKeyDown:
    case kKeyPageUp:
    case kKeyPageDown: {
      const int step = key == kKeyUp || key == kKeyDown ? 1 : std::max(1, RowsShown() - 1);
      const int from = m_Selected < 0 ? (key == kKeyUp || key == kKeyPageUp ? 0 : -1) : m_Selected;
      Select(key == kKeyUp || key == kKeyPageUp ? from - step : from + step, true);
      return;
    }
    default:
      // Letters, digits and the space bar type text (which arrives as its
      // own record); every other key is the desk's.
      if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9') || key == kKeySpace) return;
      if (m_Hooks.passOn) m_Hooks.passOn(event);
      return;
  }
  m_ListActive = false;
  if (m_Open) DrawName();
}

void tFileDialog::OnText(uint8_t character) {
  const std::string bytes = HostBytesOf(character);
  if (bytes.empty() || m_Name.size() + bytes.size() > platform::kMaxPath) return;
  m_Name.insert(m_Caret, bytes);
  m_Caret += bytes.size();
  m_ListActive = false;
  if (m_Open) DrawName();
}

int tFileDialog::RowAt(int32_t x, int32_t y) const {
  const dl::Box rows = dl::ListRows(m_Layout);
  if (!rows.Contains(x, y)) return -1;
  const int row = (y - rows.y) / dl::kListRowH;
  return row < RowsShown() ? row : -1;
}

void tFileDialog::OnPress(const platform::tInputEvent& event) {
  const int32_t x = event.x, y = event.y;
  m_Ok.Press(x, y);
  m_Cancel.Press(x, y);

  const int row = RowAt(x, y);
  if (row >= 0) {
    const int index = m_First + row;
    if (index >= static_cast<int>(m_Entries.size())) return;
    if (event.clicks >= 2 && index == m_Selected)
      Activate(index);
    else
      Select(index, true);
    return;
  }

  const dl::Box bar = dl::ScrollBar(m_Layout);
  if (bar.Contains(x, y)) {
    const tThumb thumb = Thumb();
    if (y < bar.y + kArrowH) {
      m_Drag = Drag::kArrowUp;
      ScrollTo(m_First - 1);
    } else if (y >= bar.Bottom() - kArrowH) {
      m_Drag = Drag::kArrowDown;
      ScrollTo(m_First + 1);
    } else if (thumb.height > 0 && y >= thumb.top && y < thumb.top + thumb.height) {
      m_Drag = Drag::kThumb;
      m_DragOffset = y - thumb.top;
    } else if (thumb.height > 0) {
      ScrollTo(y < thumb.top ? m_First - RowsShown() : m_First + RowsShown());
    }
    if (m_Open) DrawScrollBar();
    return;
  }

  if (m_Layout.drives.Contains(x, y)) {
    const size_t drive = static_cast<size_t>((y - m_Layout.drives.y - 2) / dl::kListRowH);
    if (y >= m_Layout.drives.y + 2 && drive < m_Drives.size())
      EnterFolder(std::string(1, m_Drives[drive].letter) + ":\\");
    return;
  }

  for (int i = 0; i < 2; ++i) {
    if (!m_Layout.filters[i].Contains(x, y)) continue;
    m_Filter = i;
    m_Mask.clear();
    Relist();
    if (m_Open) {
      DrawFilters();
      DrawList();
    }
    return;
  }

  if (m_Layout.name.Contains(x, y)) {
    const std::vector<size_t> starts = CharacterStarts(m_Name);
    const size_t cell =
        static_cast<size_t>(std::max(0, (x - m_Layout.name.x - 3 + dl::kCellW / 2) / dl::kCellW));
    m_Caret = starts[std::min(starts.size() - 1, m_NameFirst + cell)];
    m_ListActive = false;
    if (m_Open) DrawName();
  }
}

void tFileDialog::OnMove(int32_t x, int32_t y) {
  for (tButton* button : {&m_Ok, &m_Cancel}) {
    const int32_t before = button->State();
    button->Move(x, y);
    if (before != button->State()) DrawButton(*button);
  }
  if (m_Drag != Drag::kThumb) return;
  const tThumb thumb = Thumb();
  const dl::Box bar = dl::ScrollBar(m_Layout);
  const int32_t trackTop = bar.y + kArrowH, travel = bar.h - 2 * kArrowH - thumb.height;
  const int hidden = static_cast<int>(m_Entries.size()) - RowsShown();
  if (travel <= 0 || hidden <= 0) return;
  const int32_t top = y - m_DragOffset - trackTop;
  ScrollTo((top * hidden + travel / 2) / travel);
  if (m_Open) DrawScrollBar();
}

void tFileDialog::OnRelease(int32_t x, int32_t y) {
  const bool ok = m_Ok.Release(x, y);
  const bool cancel = m_Cancel.Release(x, y);
  // A release anywhere ends the press, also one that came without a move
  // off the button first.
  m_Ok.StoreState(tControl::kNormal);
  m_Cancel.StoreState(tControl::kNormal);
  DrawButton(m_Ok);
  DrawButton(m_Cancel);
  if (m_Drag != Drag::kNone) {
    m_Drag = Drag::kNone;
    if (m_Open) DrawScrollBar();
  }
  if (ok) Accept();
  if (cancel) Cancel();
}

// ---- previews ----

void tFileDialog::ResetPreviewTexts() {
  for (int i = 0; i < m_Layout.statics; ++i)
    m_StaticTexts[static_cast<size_t>(i)] = m_Layout.text[static_cast<size_t>(i)].text;
}

void tFileDialog::SetStaticText(int id, const std::string& text) {
  for (int i = 0; i < m_Layout.statics; ++i)
    if (m_Layout.text[static_cast<size_t>(i)].id == id)
      m_StaticTexts[static_cast<size_t>(i)] = text;
}

void tFileDialog::PreviewSelection() {
  if (GetPreview() == Preview::kNone || m_Selected < 0) return;
  const tEntry& entry = m_Entries[static_cast<size_t>(m_Selected)];
  std::string path;
  if (!platform::FullPath(JoinPath(m_Folder, entry.name), path) || path.size() > platform::kMaxPath)
    return;
  if (path == m_LastPreviewed) return;
  m_LastPreviewed = path;
  if (entry.folder) {
    m_PreviewSound.Stop();
    ResetPreviewTexts();
  } else if (GetPreview() == Preview::kWave) {
    PreviewWave(path);
  } else {
    PreviewChannel(path);
  }
  if (m_Open) DrawStatics();
}

void tFileDialog::PreviewWave(const std::string& path) {
  if (!m_PreviewSound.Load(path)) {
    // Nothing of the last file stays shown for one that cannot be read.
    m_PreviewSound.Stop();
    ResetPreviewTexts();
    return;
  }
  m_PreviewSound.Play(0);
  const tWave& wave = m_PreviewSound.Wave();
  SetStaticText(1012, "Frequency: " + std::to_string(wave.Rate()));
  SetStaticText(1013, "Bits/Sample: " + std::to_string(wave.BitsPerSample()));
  SetStaticText(1014, wave.Channels() == 2 ? "Channels: Stereo" : "Channels: Mono");
}

void tFileDialog::PreviewChannel(const std::string& path) {
  const auto read = [&](const char* key) {
    return platform::ReadProfileString(path, kChannelSection, key, "-", 300);
  };
  SetStaticText(1002, "Version: " + read("version"));
  SetStaticText(1003, "Delay: " + read("delay"));
  SetStaticText(1004, "Quantize: " + read("quantize"));
  SetStaticText(1005, "Length: " + read("loop"));
  SetStaticText(1006, "Volume: " + read("volume"));
  SetStaticText(1007, "Balance: " + read("balance"));
  SetStaticText(1012, "Pitch: " + read("pitch"));
  m_PreviewSound.Stop();
  // The two samples: the name as stored, the format of the file it names
  // (or "Not found"); the main sample is played.
  const struct {
    const char* key;
    int nameId, formatId;
    bool play;
  } waves[] = {{"snd", 1008, 1010, true}, {"sfx", 1009, 1011, false}};
  for (const auto& w : waves) {
    const std::string name = read(w.key);
    SetStaticText(w.nameId, name);
    SetStaticText(w.formatId, "");
    if (name.empty()) continue;
    const std::string wave = ResolveStoredWave(path, name);
    WAVEFORMATEX format{};
    if (!ReadWaveFormat(wave, format)) {
      SetStaticText(w.formatId, "Not found");
      continue;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%2ukHz %2ubit %c", format.nSamplesPerSec / 1000,
                  static_cast<unsigned>(format.wBitsPerSample), format.nChannels == 1 ? 'M' : 'S');
    SetStaticText(w.formatId, text);
    if (w.play && m_PreviewSound.Load(wave)) m_PreviewSound.Play(0);
  }
  SetStaticText(1013, "Author: " + read("author"));
}

// ---- drawing ----

void tFileDialog::ClearWell(const dl::Box& box, dl::Style style) {
  platform::Image* screen = platform::Screen();
  if (screen != nullptr)
    screen->Fill(tRect{box.x, box.y, box.Right(), box.Bottom()}, m_Font.Background(style));
}

void tFileDialog::DrawPart(int part, int32_t x, int32_t y, int32_t height) {
  const int32_t sx = part * dl::kPartW;
  m_Parts.Blit(tRect{sx, 0, sx + dl::kPartW, height}, tRect{x, y, x + dl::kPartW, y + height});
}

namespace {

// Text that fits count cells: longer names keep their end behind an ellipsis
// (for paths, where the end tells most).
std::vector<tShownCharacter> TailOf(const std::string& bytes, size_t count) {
  std::vector<tShownCharacter> text = ShownCharacters(bytes);
  if (text.size() > count && count > 0) {
    text.erase(text.begin(), text.end() - static_cast<std::ptrdiff_t>(count));
    text.front() = {DialogGlyphOf(kEllipsis), 1};
  }
  return text;
}

size_t CellsIn(int32_t width, int32_t margin) {
  return static_cast<size_t>(std::max(0, (width - 2 * margin) / dl::kCellW));
}

}  // namespace

void tFileDialog::DrawAll() {
  if (!m_Open) return;
  tLock lock(platform::DisplayLock());
  m_Door.Draw(dl::kDoorX, dl::kDoorY);
  DrawFolder();
  DrawDrives();
  DrawList();
  DrawName();
  DrawFilters();
  DrawStatics();
  DrawButton(m_Ok);
  DrawButton(m_Cancel);
}

void tFileDialog::DrawButton(tButton& button) {
  if (!m_Open) return;
  tLock lock(platform::DisplayLock());
  const tRect& r = button.Rect();
  const tRect door{r.left - dl::kDoorX, r.top - dl::kDoorY, r.right - dl::kDoorX,
                   r.bottom - dl::kDoorY};
  m_Door.Blit(door, r);
  button.Draw();
}

void tFileDialog::DrawFolder() {
  tLock lock(platform::DisplayLock());
  const dl::Box& b = m_Layout.folder;
  ClearWell(b, dl::kNormal);
  const std::vector<tShownCharacter> text = TailOf(m_Folder, CellsIn(b.w, 3));
  m_Font.Draw(b.x + 3, b.y + 2, text, 0, text.size(), dl::kNormal);
}

void tFileDialog::DrawDrives() {
  tLock lock(platform::DisplayLock());
  const dl::Box& b = m_Layout.drives;
  ClearWell(b, dl::kNormal);
  const char current = m_Folder.empty() ? 0 : m_Folder[0];
  const size_t rows = static_cast<size_t>((b.h - 4) / dl::kListRowH);
  for (size_t i = 0; i < m_Drives.size() && i < rows; ++i) {
    const int32_t y = b.y + 2 + static_cast<int32_t>(i) * dl::kListRowH;
    const bool here = m_Drives[i].letter == current;
    if (here) ClearWell({b.x + 2, y, b.w - 4, dl::kListRowH}, dl::kSelected);
    m_Font.DrawName(b.x + 4, y + 1, m_Drives[i].text, CellsIn(b.w, 4),
                    here ? dl::kSelected : dl::kNormal);
  }
}

void tFileDialog::DrawList() {
  tLock lock(platform::DisplayLock());
  const dl::Box rows = dl::ListRows(m_Layout);
  ClearWell(rows, dl::kNormal);
  const size_t cells = CellsIn(rows.w, 3);
  for (int r = 0; r < RowsShown(); ++r) {
    const int index = m_First + r;
    if (index >= static_cast<int>(m_Entries.size())) break;
    const tEntry& entry = m_Entries[static_cast<size_t>(index)];
    const int32_t y = rows.y + r * dl::kListRowH;
    dl::Style style = entry.folder ? dl::kAccent : dl::kNormal;
    if (index == m_Selected) {
      style = dl::kSelected;
      ClearWell({rows.x, y, rows.w, dl::kListRowH}, style);
    }
    // Folders end in a backslash, as desk paths write them.
    const std::string shown = entry.folder && entry.name != ".." ? entry.name + "\\" : entry.name;
    m_Font.DrawName(rows.x + 3, y + 1, shown, cells, style);
  }
  DrawScrollBar();
}

tFileDialog::tThumb tFileDialog::Thumb() const {
  const dl::Box bar = dl::ScrollBar(m_Layout);
  const int count = static_cast<int>(m_Entries.size()), shown = RowsShown();
  const int32_t track = bar.h - 2 * kArrowH;
  if (count <= shown || track < kMinThumb) return {};
  tThumb thumb;
  thumb.height = std::max(kMinThumb, track * shown / count);
  thumb.top = bar.y + kArrowH + (track - thumb.height) * m_First / (count - shown);
  return thumb;
}

void tFileDialog::DrawScrollBar() {
  tLock lock(platform::DisplayLock());
  const dl::Box bar = dl::ScrollBar(m_Layout);
  DrawPart(m_Drag == Drag::kArrowUp ? dl::kArrowUpPressed : dl::kArrowUp, bar.x, bar.y);
  DrawPart(m_Drag == Drag::kArrowDown ? dl::kArrowDownPressed : dl::kArrowDown, bar.x,
           bar.Bottom() - kArrowH);
  const int32_t trackEnd = bar.Bottom() - kArrowH;
  for (int32_t y = bar.y + kArrowH; y < trackEnd; y += dl::kPartH)
    DrawPart(dl::kTrack, bar.x, y, std::min<int32_t>(dl::kPartH, trackEnd - y));
  const tThumb thumb = Thumb();
  if (thumb.height == 0) return;
  const int32_t end = thumb.top + thumb.height - kCapRows;
  for (int32_t y = thumb.top + kCapRows; y < end; y += dl::kPartH)
    DrawPart(dl::kThumbMiddle, bar.x, y, std::min<int32_t>(dl::kPartH, end - y));
  DrawPart(dl::kThumbTop, bar.x, thumb.top, kCapRows);
  const int32_t sx = dl::kThumbBottom * dl::kPartW;
  m_Parts.Blit(tRect{sx, dl::kPartH - kCapRows, sx + dl::kPartW, dl::kPartH},
               tRect{bar.x, end, bar.x + dl::kPartW, end + kCapRows});
}

void tFileDialog::DrawName() {
  tLock lock(platform::DisplayLock());
  const dl::Box& b = m_Layout.name;
  ClearWell(b, dl::kNormal);
  const std::vector<tShownCharacter> text = ShownCharacters(m_Name);
  const size_t cells = CellsIn(b.w, 3) - 1;  // one cell for the caret at the end
  const size_t caret = CharacterIndexOf(CharacterStarts(m_Name), m_Caret);
  if (caret < m_NameFirst) m_NameFirst = caret;
  if (caret > m_NameFirst + cells) m_NameFirst = caret - cells;
  m_NameFirst = std::min(m_NameFirst, text.size());
  m_Font.Draw(b.x + 3, b.y + 2, text, m_NameFirst, cells, dl::kNormal);
  const int32_t cx = b.x + 3 + static_cast<int32_t>(caret - m_NameFirst) * dl::kCellW - 1;
  const int32_t sx = dl::kCaret * dl::kPartW;
  m_Parts.Blit(tRect{sx, 0, sx + 1, dl::kPartH}, tRect{cx, b.y + 2, cx + 1, b.y + 2 + dl::kPartH});
}

void tFileDialog::DrawFilters() {
  tLock lock(platform::DisplayLock());
  const char* labels[2] = {Info(m_Variant).filterLabel, kAllFilesLabel};
  for (int i = 0; i < 2; ++i) {
    const dl::Box& b = m_Layout.filters[i];
    const dl::Style style = m_Mask.empty() && m_Filter == i ? dl::kSelected : dl::kNormal;
    ClearWell(b, style);
    m_Font.DrawName(b.x + 3, b.y + 2, labels[i], CellsIn(b.w, 3), style);
  }
}

void tFileDialog::DrawStatics() {
  tLock lock(platform::DisplayLock());
  for (int i = 0; i < m_Layout.statics; ++i) {
    const dl::Static& st = m_Layout.text[static_cast<size_t>(i)];
    if (st.id == 0) continue;
    ClearWell(st.box, dl::kNormal);
    const int32_t y = st.box.y + (st.box.h - dl::kCellH) / 2;
    const std::string& text = m_StaticTexts[static_cast<size_t>(i)];
    if (st.id == 1008 || st.id == 1009) {
      const std::vector<tShownCharacter> shown = TailOf(text, CellsIn(st.box.w, 2));
      m_Font.Draw(st.box.x + 2, y, shown, 0, shown.size(), dl::kNormal);
    } else {
      m_Font.DrawName(st.box.x + 2, y, text, CellsIn(st.box.w, 1), dl::kNormal);
    }
  }
}
