// A button's click plays a real desk sound from its start.
#include "ui/sound_click.h"
#include "audio/sound.h"
#include "audio/sound_format.h"
#include "tests/ui/ui_test_support.h"
#include "ui/control.h"

namespace {

using SoundClick = ScreenTest;

TEST_F(SoundClick, PressingAButtonRestartsItsSound) {
  WriteBmp("data\\button.bmp", Frames(2, 8, 8, 30));
  tSound sound;
  ASSERT_TRUE(sound.Create(MakeWaveFormat(22050, 8, 1), 2000));
  tSoundClick click(sound);
  tButton button;
  button.Load("data\\button.bmp");
  button.Place(0, 0);
  button.SetClickSound(&click);
  EXPECT_FALSE(sound.IsPlaying());
  button.Press(1, 1);
  EXPECT_TRUE(sound.IsPlaying());
  sound.Stop();
  button.Release(1, 1);
  EXPECT_FALSE(sound.IsPlaying());  // only the press clicks
  button.Press(50, 50);
  EXPECT_FALSE(sound.IsPlaying());
}

}  // namespace
