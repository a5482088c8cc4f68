#pragma once
// A desk sound handed to widgets as their click: played once from its start.
#include "audio/sound.h"
#include "ui/sound_cue.h"

class tSoundClick : public tSoundCue {
 public:
  explicit tSoundClick(tSound& sound) : m_Sound(sound) {}
  void PlayFromStart() override { m_Sound.Play(0); }

 private:
  tSound& m_Sound;
};
