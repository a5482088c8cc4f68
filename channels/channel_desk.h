#pragma once
// The desk's channels without their widgets: the sixteen channels (channel
// 1 is index 0) and the operations that load, save, adapt and release them.
// The screen is reached only through a tDeskView; the desk core of the mix
// layer derives from this class.
#include <cstdint>

#include "audio/sound_format.h"
#include "channels/channel.h"
#include "channels/desk_view.h"
#include "channels/file_name.h"
#include "support/string.h"

class tChannelDesk {
 public:
  static constexpr int kChannels = 16;
  // The section of a channel file and its format version.
  static constexpr const char* kChannelSection = "Brevora Channel";
  static constexpr int kChannelFileVersion = 3;

  explicit tChannelDesk(tDeskView* view);
  tChannelDesk(const tChannelDesk&) = delete;
  tChannelDesk& operator=(const tChannelDesk&) = delete;
  virtual ~tChannelDesk();

  tDeskView* View() const { return m_pView; }
  void SetView(tDeskView* view) { m_pView = view; }

  static bool IsChannelIndex(int index) { return index >= 0 && index < kChannels; }
  // Index must be 0..15.
  tChannel& Channel(int index) { return m_Channels[index]; }
  const tChannel& Channel(int index) const { return m_Channels[index]; }

  // Gives every channel its empty sound; false at the first that fails.
  bool PrepareChannels();
  // Resets every channel and refreshes its strip, in index order.
  void ResetChannels();

  // Converts both sounds of a channel to format, reading a sound again from
  // its file first when the file offers more than the sound now holds. A
  // reload that fails is reported ("Can not load wave main" / "... fx"),
  // keeps the sound the channel had (converted) and makes the result false;
  // a sound that cannot be converted is released, reported the same way.
  // Both sounds are always handled.
  bool AdaptChannel(int index, const WAVEFORMATEX& format);
  // One half of AdaptChannel: the main or the effect sound alone.
  bool AdaptSound(int index, tChannel::tWhich which, const WAVEFORMATEX& format);
  // Loads a wave file as the channel's main or effect sound in the output
  // format and gives the channel the strip's timing, volume and balance.
  bool LoadWaveIntoChannel(tChannel::tWhich which, int index, const char* path, bool showErrors);
  // Clears the mix (event list, mix label, time display) and resets every
  // channel, for a new tempo.
  void ClearAllChannels();
  // Releases every held, unlatched channel whose key is no longer down.
  void ReleaseUnheldChannels();

  // Channel files: one channel's waves and performance settings.
  bool LoadChannelFile(int index, const char* path, bool showErrors);
  bool SaveChannelFile(int index, const char* path);

  // Path rules for paths that one file stores for another. An absolute path
  // loses its drive and leading separator ("C:\Loops\a.wav" gives
  // "Loops\a.wav", "C:a.wav" gives "a.wav"); others stay as they are.
  void MakeDriveRelative(tFileName& path) const;
  // A path that is not absolute is put on the root of parent's drive
  // ("Loops\a.wav" with parent "E:\Sets\x.chn" gives "E:\Loops\a.wav"); an
  // absolute path stays as it is. Parent must be absolute.
  void ResolveOnDrive(const tFileName& parent, tFileName& path) const;

  // The name a channel file or mix is shown under: the part after the last
  // backslash, without a three-letter extension ("C:\Sets\a.chn" gives "a";
  // "b.wave" stays "b.wave").
  static void DisplayNameOf(const char* path, tString& name);
  // The text of a strip's label: the channel file's display name, else
  // "---" for a channel with a sound, else empty.
  void StripLabelText(int index, tString& text) const;
  // The LED value of a strip (see tDeskView::SetStripLed).
  int LedValue(int index) const;
  // Sets the strip's LED from its channel.
  void SetLed(int index);

 protected:
  // Clears the parts of the mix that ClearAllChannels clears besides the
  // channels (the mix layer's event list, mix label and time display).
  virtual void ClearMix() {}
  // The message box, when a view is there and the message is to be shown.
  int Message(const char* key, const char* path);
  void RefreshStrip(int index);

 private:
  tChannel m_Channels[kChannels];
  tDeskView* m_pView;
};
