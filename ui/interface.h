#pragma once
// The desk: the sixteen channels and the engine (tDeskCore) together with
// every widget on the screen. tInterface is the view the desk's logic draws
// through; it draws the whole screen for each interface state, keeps the
// strips in line with their channels, runs the keyboard's commands and the
// window's records, and takes the input records for every loop of the desk.
//
// Built in two steps: Construct allocates every object, Initialise loads
// every bitmap and sound and places the widgets. Teardown saves the
// settings, destroys the tick timer and releases everything.
//
// Threads. The main thread runs everything here except the view calls the
// engine tick makes (key-label blink, metronome, time display, and the end of
// a playback). Those draw only widgets that the main thread does not draw at
// the same moment, or that carry their own lock (key labels).
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "audio/sound.h"
#include "mix/desk_core.h"
#include "platform/input.h"
#include "ui/channel_panel.h"
#include "ui/control.h"
#include "ui/door_panel.h"
#include "ui/file_dialog.h"
#include "ui/indicators.h"
#include "ui/message_box.h"
#include "ui/popup_menu.h"
#include "ui/sliders.h"
#include "ui/sound_click.h"
#include "ui/text.h"
#include "ui/transport.h"

class tMidiDesk;

class tInterface : public tMixView, public tDeskCore, private tMessageBoxHost {
 public:
  static constexpr int kStrips = kChannels;

  explicit tInterface(platform::PeriodicTimerService& timers = platform::SystemTimerService());
  ~tInterface() override;

  // Allocates every object, in the desk's order; false at the first that
  // cannot be allocated (what was allocated stays until Teardown).
  bool Construct();
  // Loads every bitmap and sound and places every widget; false at the first
  // sound or image that cannot be set up. A bitmap that cannot be read
  // throws tSurface::tError.
  bool Initialise();
  // Writes the settings, destroys the tick timer, releases the channels and
  // then every widget and sound. Runs once; later calls do nothing.
  void Teardown();

  // Ends the desk after a fatal error: the tick timer goes, nothing is
  // saved; the rest is released when the desk is destroyed.
  void Abandon();

  // Draws the whole screen for the current state.
  void Redraw();

  // ---- input ----
  // Waits for the next input record. Meanwhile the meters are fed and the
  // screen is presented once per display refresh. Window records (focus,
  // close, redraw requests) are handled here and also handed out.
  void NextRecord(platform::tInputEvent& record) override;
  // Runs one record: keys and the mouse go to their commands.
  void Dispatch(const platform::tInputEvent& record);
  // The user asked to close the window.
  bool QuitRequested() const { return m_QuitRequested; }
  void RequestQuit() { m_QuitRequested = true; }
  // Once per display refresh while the loops wait: the meters, then the
  // screen when it changed.
  void IdleStep();

  // ---- the keyboard ----
  // A key press: the commands that repeat while a key is held run for every
  // press; the others, and the performance keys, only for the first.
  void KeyPressed(uint8_t key, bool repeat);
  void KeyReleased(uint8_t key);

  // The commands the keys run (held channels are those whose key is down,
  // in channel order).
  void VolumeOfHeld(int32_t step);
  void ResetVolumeOfHeld();
  void BalanceOfHeld(int32_t step);
  void ResetBalanceOfHeld();
  void PitchOfHeld(double step);
  void ResetPitchOfHeld();
  void StepMasterVolume(int32_t stepPercent);
  void ResetMasterVolume();
  void StepMasterPitch(int32_t step);
  void ResetMasterPitch();
  void EffectSwitchPressed();
  void EffectSwitchReleased();
  void SuspendLatched();
  void ResumeSuspended();
  void DropSuspended();
  void ToggleLatchOfHeld();
  void ReleaseEverything();
  void TransportKey();
  void PerformanceKeyPressed(uint8_t key);
  void PerformanceKeyReleased(uint8_t key);
  // The channels (bit i for index i) whose performance key is key.
  uint16_t ChannelsOnKey(uint8_t key);
  // The press and the release of a performance key for a set of channels,
  // with every rule of the key; channels without a sound take no part. The
  // press runs in states 0 and 1 and answers the channels it held; the
  // release too, or in every state when inAnyState is set.
  uint16_t PressChannels(uint16_t channels);
  void ReleaseChannels(uint16_t channels, bool inAnyState);
  // The desk played from a MIDI controller (its records are taken in
  // NextRecord).
  tMidiDesk& Midi() { return *m_pMidi; }

  // F1: opens the help panel in state 0 and closes it in state 4.
  void HelpKey();

  // ---- the mouse (ui/mouse.cpp) ----
  // A press arms controls (sliders and the master pitch take their value
  // here), a move lets menus follow the pointer and pressed buttons pop up,
  // a release completes clicks and chooses menu items. Each offers the
  // point to the controls of the current state in a fixed order.
  void MousePress(int32_t x, int32_t y);
  void MouseMove(int32_t x, int32_t y);
  void MouseRelease(int32_t x, int32_t y);
  // What the strip menu's and the mix menu's items do.
  void StripMenuItem(int index, int32_t item);
  void MixMenuItem(int32_t item);

  // ---- panels and dialogs (ui/panels.cpp) ----
  // Each panel saves the state it opens in and gives it back when it
  // closes; the level meter's bars are hidden meanwhile. The play panel
  // only slides (its caller sets state 3).
  void OpenHelpPanel();
  void CloseHelpPanel();
  void OpenQualityPanel();
  void OpenTempoPanel();
  void CloseTempoPanel();
  void OpenExportPanel();
  // Closes the export panel; in play mode the play panel comes back.
  void CloseExportPanel();
  void OpenPlayPanel();
  void ClosePlayPanel();
  // The export panel's OK: the format of its switches, a wave file chosen
  // in the export dialog, and the export with its progress.
  void ExportFromPanel();
  // Exports the mix with the busy message and its progress.
  bool ExportWithProgress(const char* path, const WAVEFORMATEX& format);
  // The closing page: stays at least the closing wait, then the next
  // left-button press ends the desk (so does a close request of the window).
  void RunQuitSequence();
  // Runs a file dialog behind its door: the door slides in, the dialog
  // runs on the desk's screen, the door slides out, and channels whose keys
  // were released meanwhile stop. initial fills the file-name field (null
  // empties it). True when a file was chosen (its path is dialog.Path()).
  bool RunFileDialog(tFileDialog& dialog, const char* initial);
  // The output format the three set-up switches show.
  WAVEFORMATEX SwitchFormat() const;

  // The pace of the panels' slides and of the waits for the desk's sounds,
  // and how long the closing page stays before a click ends the desk.
  void SetPace(const tDoorPace& pace) { m_pDoorPanel->SetPace(pace); }
  void SetClosingWait(uint32_t ms) { m_ClosingWaitMs = ms; }

  // Opens and closes a strip's menu; while it is open it covers the strip's
  // key label, which then does not blink through it.
  void OpenStripMenu(int index);
  int32_t CloseStripMenu(int index);
  // The transport's mode zones after a release at (x, y): a click changes
  // the mode only when the mix has a recording; without one every zone is
  // let up unchanged. True when the mode changed.
  bool ReleaseTransportZones(int32_t x, int32_t y);

  // ---- the widgets ----
  tSurface& Background() { return *m_pBackground; }
  // The sliding panel of the help, quality, tempo, export, play and
  // closing pages and of the file dialogs' doors.
  tDoorPanel& DoorPanel() { return *m_pDoorPanel; }
  tMessageBox& MessageBox() { return *m_pMessageBox; }
  tTransport& Transport() { return *m_pTransport; }
  tVolumeSlider& VolumeSlider(int index) { return *m_pVolume[index]; }
  tBalanceSlider& BalanceSlider(int index) { return *m_pBalance[index]; }
  tLed& Led(int index) { return *m_pLeds[index]; }
  tKeyLabel& KeyLabel(int index) { return *m_pKeyLabels[index]; }
  tPopupMenu& StripMenu(int index) { return *m_pStripMenus[index]; }
  tTextLabel& StripLabel(int index) { return *m_pStripLabels[index]; }
  tTextLabel& MixLabel() { return *m_pMixLabel; }
  tLamp& CtrlLamp() { return *m_pCtrlLamp; }
  tLamp& TabLamp() { return *m_pTabLamp; }
  tPitchKnob& MasterPitch() { return *m_pMasterPitch; }
  tVolumeSlider& MasterVolume() { return *m_pMasterVolume; }
  tDigits& TimeDisplay() { return *m_pTime; }
  tSwitchButton& HelpButton() { return *m_pHelp; }
  tButton& ExitButton() { return *m_pExit; }
  tButton& PluginsButton() { return *m_pPlugins; }
  tButton& CloseHelpButton() { return *m_pCloseHelp; }
  tButton& OkButton() { return *m_pOk; }
  tButton& CancelButton() { return *m_pCancel; }
  tButton& SetupButton(int index) { return *m_pSetupButtons[static_cast<size_t>(index)]; }
  tArrowButton& StripArrow(int index) { return *m_pArrows[index]; }
  tArrowButton& MixArrow() { return *m_pMixArrow; }
  tPopupMenu& MixMenu() { return *m_pMixMenu; }
  tChannelPanel& ChannelPanel(int index) { return *m_pPanels[index]; }
  tLamp& RateLamp() { return *m_pRateLamp; }
  tLamp& BitsLamp() { return *m_pBitsLamp; }
  tLamp& MonoLamp() { return *m_pMonoLamp; }
  // The file dialogs: main and effect samples, channel files and mixes to
  // load; channel files, mixes and exported waves to save.
  tFileDialog& MainSampleDialog() { return *m_pMainDialog; }
  tFileDialog& EffectSampleDialog() { return *m_pEffectDialog; }
  tFileDialog& ChannelDialog() { return *m_pChannelDialog; }
  tFileDialog& MixDialog() { return *m_pMixDialog; }
  tFileDialog& SaveChannelDialog() { return *m_pSaveChannelDialog; }
  tFileDialog& SaveMixDialog() { return *m_pSaveMixDialog; }
  tFileDialog& ExportDialog() { return *m_pExportDialog; }
  tTempoDigits& TempoDigits() { return *m_pTempoDigits; }
  tSwitchButton& SetupSwitch(int index) { return *m_pSetupSwitches[static_cast<size_t>(index)]; }
  // Strip origins on the screen (index 0 to 15).
  static int32_t StripX(int index);
  static int32_t StripY(int index);

  // Allocation n + 1 of Construct fails (a test of the all-or-nothing
  // result); -1 lets every allocation succeed.
  static void SetAllocationLimit(int32_t n);

  // ---- the view (tDeskView and tMixView) ----
  void RefreshStrip(int index) override;
  void SetStripLed(int index, int value) override;
  void SetStripLabel(int index, const char* text) override;
  double GetStripQuantize(int index) override;
  double GetStripLoop(int index) override;
  double GetStripDelay(int index) override;
  int32_t GetStripVolume(int index) override;
  int32_t GetStripBalance(int index) override;
  int ShowMessage(const char* key, const char* path) override;
  void OpenBusyMessage(const char* key, const char* path) override;
  void CloseBusyMessage() override;
  void SetWaitCursor(bool on) override;
  bool IsKeyDown(uint8_t key) override;
  void TickKeyLabel(int index, uint32_t time) override;
  void DrawMetronome(int frame) override;
  void ShowTime(uint32_t positionMs, uint32_t lengthMs) override;
  void SetMixLabel(const char* text) override;
  void SetKeyLabel(int index, uint8_t key) override;
  void SetFormatLamps(bool rate44100, bool bits16, bool stereo) override;
  void SetTransportSwitch(tSwitch which, bool down) override;
  bool IsTransportSwitchDown(tSwitch which) override;
  void RedrawTempo() override;
  void SetMasterVolumeSlider(int32_t percent) override;
  void PlayClick() override;
  void PlayIntro() override;
  void WaitWhileIntroPlays(uint32_t timeoutMs) override;
  void CloseQualityPanel() override;
  void ExportProgress(uint32_t doneMs, uint32_t totalMs) override;

 protected:
  // The strips show on the screen: the desk under any message is in state
  // 0 or 1 (a door panel covers them in the other states) and no file
  // dialog's door is down.
  bool StripsVisible() const;

 private:
  // tMessageBoxHost
  int32_t CurrentState() override { return State(); }
  void EnterMessageState(int32_t state) override;
  void LeaveMessageState() override;
  void ShowProgress(bool now) override;
  bool Quitting() override { return m_QuitRequested; }

  // Handles the window's own records; true for one of them.
  bool HandleWindowRecord(const platform::tInputEvent& record);
  // What a file dialog hands on: the window's records, and the releases of
  // Tab and Ctrl, whose lamps and channels follow them at once.
  void PassOnFromDialog(const platform::tInputEvent& record);
  // Gives every file dialog the desk's message box, input and clock.
  void ConnectDialogs();
  void OpenMixMenu();
  int32_t CloseMixMenu();
  // A strip's spinner changed: only that value reaches the channel, and a
  // scheduled channel starts again in time with it.
  void ApplySpinner(int index, int32_t spinner);
  // The panel's picture with the controls drawn into it, sliding in.
  void OpenFormatPanel(int32_t state, const char* path);
  void CloseFormatPanel();
  // Sets the three switches from the output format (without drawing) and
  // draws them into the panel's picture.
  void PresetSwitches();
  // The desk after a panel or door went up: redrawn where the strips show.
  void AfterPanel();
  void HideBars();
  // The name of the current mix as the mix label shows it, or empty.
  std::string MixLabelName() const;
  void DrawStrip(int index);
  void DrawFixedControls();
  // Sets a strip's volume slider; a redrawn slider covers the top rows of
  // the strip's key letter, which is drawn again.
  void ShowStripVolume(int index, int32_t volume);
  void ShowStripBalance(int index, int32_t balance);
  // The master volume slider covers the Tab lamp, which is drawn again.
  void ShowMasterVolume();
  // Runs edit on every held channel, shows the volume or balance (kind) it
  // gives on the strip and records it.
  void EditHeld(int32_t kind, const std::function<int32_t(tChannel&)>& edit);
  // Records a Pitch event with every channel's pitch.
  void RecordAllPitches(uint32_t time);
  bool Editing() const;

  // ---- owned objects, in the desk's order ----
  std::unique_ptr<tSurface> m_pBackground;
  std::array<std::unique_ptr<tVolumeSlider>, kStrips> m_pVolume;
  std::array<std::unique_ptr<tBalanceSlider>, kStrips> m_pBalance;
  std::array<std::unique_ptr<tArrowButton>, kStrips> m_pArrows;
  std::array<std::unique_ptr<tLed>, kStrips> m_pLeds;
  std::array<std::unique_ptr<tPopupMenu>, kStrips> m_pStripMenus;
  std::unique_ptr<tBitmapFont> m_pFont;
  std::array<std::unique_ptr<tTextLabel>, kStrips> m_pStripLabels;
  std::unique_ptr<tTextLabel> m_pMixLabel;
  std::unique_ptr<tButton> m_pPlugins;
  std::unique_ptr<tSwitchButton> m_pHelp;
  std::unique_ptr<tButton> m_pExit;
  std::unique_ptr<tPitchKnob> m_pMasterPitch;
  std::unique_ptr<tDigits> m_pTime;
  std::unique_ptr<tVolumeSlider> m_pMasterVolume;
  std::unique_ptr<tLamp> m_pCtrlLamp;
  std::unique_ptr<tLamp> m_pTabLamp;
  std::unique_ptr<tArrowButton> m_pMixArrow;
  std::unique_ptr<tPopupMenu> m_pMixMenu;
  std::unique_ptr<tLamp> m_pRateLamp;
  std::unique_ptr<tLamp> m_pBitsLamp;
  std::unique_ptr<tLamp> m_pMonoLamp;
  std::unique_ptr<tFileDialog> m_pMainDialog;
  std::unique_ptr<tFileDialog> m_pEffectDialog;
  std::unique_ptr<tFileDialog> m_pChannelDialog;
  std::unique_ptr<tFileDialog> m_pMixDialog;
  std::unique_ptr<tFileDialog> m_pSaveChannelDialog;
  std::unique_ptr<tFileDialog> m_pSaveMixDialog;
  std::unique_ptr<tFileDialog> m_pExportDialog;
  std::unique_ptr<tTransport> m_pTransport;
  std::unique_ptr<tMetronomeView> m_pMetronome;
  std::unique_ptr<tDoorPanel> m_pDoorPanel;
  std::unique_ptr<tButton> m_pCloseHelp;
  std::unique_ptr<tMessageBox> m_pMessageBox;
  std::array<std::unique_ptr<tChannelPanel>, kStrips> m_pPanels;
  std::array<std::unique_ptr<tButton>, 4> m_pSetupButtons;
  std::unique_ptr<tTempoDigits> m_pTempoDigits;
  std::array<std::unique_ptr<tSwitchButton>, 3> m_pSetupSwitches;
  std::array<std::unique_ptr<tKeyLabel>, kStrips> m_pKeyLabels;
  std::unique_ptr<tButton> m_pOk;
  std::unique_ptr<tButton> m_pCancel;
  std::unique_ptr<tSound> m_pSlideSound;
  std::unique_ptr<tSound> m_pClickSound;
  std::unique_ptr<tSound> m_pIntroSound;
  // The sounds of the transport, the metronome and the number switches, and
  // the cues the widgets play them through.
  std::unique_ptr<tSound> m_pPanelSound;
  std::unique_ptr<tSound> m_pMetronomeSound;
  std::unique_ptr<tSound> m_pSwitchSound;
  std::unique_ptr<tSoundClick> m_pSlideCue;
  std::unique_ptr<tSoundClick> m_pClickCue;
  std::unique_ptr<tSoundClick> m_pPanelCue;
  std::unique_ptr<tSoundClick> m_pSwitchCue;
  std::unique_ptr<tVolumeSliderArt> m_pVolumeArt;
  std::unique_ptr<tSurface> m_pBalanceArt;

  std::unique_ptr<tMidiDesk> m_pMidi;

  std::atomic<bool> m_Ready{false};  // initialised, until teardown
  bool m_TornDown = false;
  bool m_QuitRequested = false;
  // Strips whose menu is open (read by the tick's key-label blink).
  std::array<std::atomic<bool>, kStrips> m_MenuOpen{};
  // A file dialog's door covers the strips (read by the tick too).
  std::atomic<bool> m_DoorDown{false};
  uint32_t m_ClosingWaitMs = 6000;
  // The export under way: its file, and the progress bar's length shown.
  std::string m_ExportPath;
  int32_t m_ExportBar = -1;
};
