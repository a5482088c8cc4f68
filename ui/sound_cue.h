#pragma once
// What a widget needs of a sound: to have it played from its start. The desk
// hands widgets its loaded sounds through this; a widget never owns one.
class tSoundCue {
 public:
  virtual ~tSoundCue() = default;
  virtual void PlayFromStart() = 0;
};
