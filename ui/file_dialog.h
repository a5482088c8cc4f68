#pragma once
// The desk's own file chooser, drawn on the 8-bit screen over a door image.
//
// One tFileDialog serves one purpose (loading a main sample, saving a mix,
// ...): it remembers the folder it was last left in, starts there the next
// time, and puts the caller's current directory back when it closes. It
// lists the folders and the files that match its filter, shows the drives
// of the drive table, and previews the selected file: a wave file is played
// and its format shown, a channel file's settings are listed and its main
// sample played.
//
// Everything it does is driven by input records (HandleEvent), so a caller
// can run it modally (Run) or feed it records itself. Main thread only.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "platform/input.h"
#include "ui/control.h"
#include "ui/dialog_font.h"
#include "ui/dialog_layout.h"
#include "ui/frame_bitmap.h"
#include "ui/surface.h"

class tFileDialog {
 public:
  enum class Variant {
    kMainSample,
    kEffectSample,
    kChannelFile,
    kMixFile,
    kSaveChannel,
    kSaveMix,
    kExportWave,
  };
  enum class Preview { kNone, kWave, kChannel };

  // The language-table key of the question asked before a save replaces a
  // file; its second button answers "replace".
  static constexpr const char* kReplaceKey = "Replace file";
  static constexpr int kReplaceButton = 1;

  // What the desk lends the dialog.
  struct tHooks {
    // Shows the message box with a language key and a path; returns the
    // button clicked (0, 1, 2) or -1.
    std::function<int(const char* key, const char* path)> showMessage;
    // Receives every record the dialog does not use: key releases (so the
    // desk's key table stays true), keys the dialog has no use for, focus
    // changes, the window's close request and the wake-ups other services
    // (MIDI input) send the loop.
    std::function<void(const platform::tInputEvent&)> passOn;
    // Called once the dialog is on the screen (the desk keeps its engine
    // clock running from here on).
    std::function<void()> shown;
  };

  explicit tFileDialog(Variant variant);
  tFileDialog(const tFileDialog&) = delete;
  tFileDialog& operator=(const tFileDialog&) = delete;

  void SetHooks(tHooks hooks) { m_Hooks = std::move(hooks); }
  // The name the file-name field starts with (null empties it).
  void SetInitialFile(const char* text);

  // Runs the dialog until OK or Cancel: Begin, the records of the input
  // service handed to HandleEvent with the screen presented between them,
  // then End. True when a file was chosen; its path is then Path().
  bool Run();

  // ---- the steps of Run, for callers and tests that feed records ----
  // Makes the remembered folder current (saving the caller's), lists it,
  // draws the whole dialog and calls the shown hook.
  void Begin();
  void HandleEvent(const platform::tInputEvent& event);
  bool Finished() const { return m_Finished; }
  // Remembers the folder the dialog was left in, restores the caller's
  // directory, stops and unloads the preview sound. True when a file was chosen.
  bool End();

  // The chosen path in desk form, the default extension applied.
  const std::string& Path() const { return m_Path; }
  const char* DoorImage() const;
  Variant GetVariant() const { return m_Variant; }
  const dialog_layout::Layout& Layout() const { return m_Layout; }
  bool IsSaveDialog() const;
  Preview GetPreview() const;
  const char* DefaultExtension() const;
  // The folder it will start in next time; empty before the first run.
  const std::string& RememberedDirectory() const { return m_Remembered; }

  // ---- what is shown, for checks ----
  struct tEntry {
    std::string name;  // exact host bytes; ".." for the parent
    bool folder = false;
  };
  const std::vector<tEntry>& Entries() const { return m_Entries; }
  const std::string& Folder() const { return m_Folder; }
  int Selected() const { return m_Selected; }
  int FirstShown() const { return m_First; }
  int RowsShown() const;
  const std::string& NameText() const { return m_Name; }
  size_t Caret() const { return m_Caret; }  // a byte offset into NameText()
  int FilterIndex() const { return m_Filter; }
  // The text of a template control (1002 ... 1014); empty for unknown ones.
  std::string StaticText(int id) const;
  tSound& PreviewSound() { return m_PreviewSound; }

  // Appends "." and the extension unless the name's fourth character from
  // the end is a dot.
  static std::string WithDefaultExtension(const std::string& name, const char* extension);

 private:
  struct tDriveRow {
    char letter = 0;
    std::string text;
  };

  // ---- navigation ----
  bool EnterFolder(const std::string& path);
  void Relist();
  void Select(int index, bool fromList);
  void ScrollTo(int first);
  void EnsureVisible(int index);
  void Activate(int index);
  void Accept();
  void Choose(const std::string& fullPath);
  void Cancel();
  void Finish(bool chosen);
  // ---- keys and mouse ----
  void OnKeyPress(const platform::tInputEvent& event);
  void OnText(uint8_t character);
  void OnPress(const platform::tInputEvent& event);
  void OnMove(int32_t x, int32_t y);
  void OnRelease(int32_t x, int32_t y);
  int RowAt(int32_t x, int32_t y) const;
  // ---- previews ----
  void PreviewSelection();
  void PreviewWave(const std::string& path);
  void PreviewChannel(const std::string& path);
  void ResetPreviewTexts();
  void SetStaticText(int id, const std::string& text);
  // ---- drawing ----
  void DrawAll();
  void DrawButton(tButton& button);
  void DrawFolder();
  void DrawDrives();
  void DrawList();
  void DrawScrollBar();
  void DrawName();
  void DrawFilters();
  void DrawStatics();
  void ClearWell(const dialog_layout::Box& box, dialog_layout::Style style);
  void DrawPart(int part, int32_t x, int32_t y, int32_t height = dialog_layout::kPartH);
  struct tThumb {
    int32_t top = 0, height = 0;
  };
  tThumb Thumb() const;

  Variant m_Variant;
  dialog_layout::Layout m_Layout;
  tHooks m_Hooks;

  tSurface m_Door;
  tDialogFont m_Font;
  tFrameBitmap m_Parts;
  tButton m_Ok;
  tButton m_Cancel;

  std::string m_Remembered;
  std::string m_Caller;
  std::string m_Folder;
  std::vector<tEntry> m_Entries;
  std::vector<tDriveRow> m_Drives;
  std::string m_Mask;  // a typed pattern that overrides the filter, or empty
  int m_Filter = 0;
  int m_Selected = -1;
  int m_First = 0;
  bool m_ListActive = false;  // the last thing the user did was in the list

  std::string m_Name;
  size_t m_Caret = 0;
  size_t m_NameFirst = 0;  // the first character the field shows

  enum class Drag { kNone, kThumb, kArrowUp, kArrowDown };
  Drag m_Drag = Drag::kNone;
  int32_t m_DragOffset = 0;

  std::vector<std::string> m_StaticTexts;
  std::string m_LastPreviewed;
  tSound m_PreviewSound;

  bool m_Open = false;
  bool m_Finished = false;
  bool m_Chosen = false;
  std::string m_Path;
};
