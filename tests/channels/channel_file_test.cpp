#include <charconv>
#include <string>
#include <vector>

#include "channels/channel_desk.h"
#include "tests/channels/channels_test_util.h"

namespace {

using tMessages = tRecordingView::tMessages;

class ChannelFiles : public ChannelTest {
 protected:
  void WriteChn(const std::string& rel, const std::string& body) {
    WriteHost(rel, "[Brevora Channel]\r\n" + body);
  }
  tChannel& Ch(int i = 0) { return desk_.Channel(i); }
  // Quantize, loop, delay, volume/base, balance/base and pitch as text
  // (doubles in their shortest exact form).
  std::string Values(int i) {
    tChannel& c = Ch(i);
    auto exact = [](double v) {
      char text[32];
      return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
    };
    return exact(c.GetQuantize()) + " " + exact(c.GetLoop()) + " " + exact(c.GetDelay()) + " " +
           std::to_string(c.GetVolume()) + "/" + std::to_string(c.GetBaseVolume()) + " " +
           std::to_string(c.GetBalance()) + "/" + std::to_string(c.GetBaseBalance()) + " " +
           exact(c.GetPitch());
  }

  tRecordingView view_;
  tChannelDesk desk_{&view_};
};

TEST_F(ChannelFiles, SavesTheExampleByteForByte) {
  WriteWave("Loops/drum1.wav", 1000);
  WriteWave("Loops/f.wav", 100);
  WriteHost("Sets/.keep", "");
  ASSERT_TRUE(Ch().LoadSound(tChannel::kMain, "C:\\Loops\\drum1.wav"));
  auto set = [&](double quantize, double loop, double delay, int volume, int balance,
                 double pitch) {
    Ch().SetQuantize(quantize);
    Ch().SetLoop(loop);
    Ch().SetDelay(delay);
    Ch().SetVolume(volume);
    Ch().SetBalance(balance);
    Ch().SetPitch(pitch);
  };
  set(1.0, 4.0, 0.0, 80, -20, 1.5);
  ASSERT_TRUE(desk_.SaveChannelFile(0, "C:\\Sets\\a.chn"));
  const std::string serial = std::to_string(tFileName::VolumeSerialOf(tFileName("C:\\")));
  EXPECT_EQ(ReadHost("Sets/a.chn"),
            "[Brevora Channel]\r\nVersion=3\r\nQuantize=1.000\r\nLoop=4.000\r\nDelay=0.000\r\n"
            "Volume=80\r\nBalance=-20\r\nPitch= 1.5\r\nSnd_Label=LOOPS\r\nSnd_SerNum=" +
                serial +
                "\r\nSnd=C:\\Loops\\drum1.wav\r\nSFx_Label=\r\nSFx_SerNum=0\r\nSFx=\r\n"
                "Author=User\r\n");
  EXPECT_STREQ(Ch().GetFilePath().GetText(), "C:\\Sets\\a.chn");
  EXPECT_STREQ(Ch().GetFileLabel().GetText(), "LOOPS");
  EXPECT_EQ(std::to_string(Ch().GetFileSerial()), serial);
  EXPECT_EQ(view_.labels[0], "a");
  EXPECT_TRUE(view_.messages.empty());

  // Saved values come back as they were, on another channel.
  ASSERT_TRUE(Ch().LoadSound(tChannel::kEffect, "C:\\Loops\\f.wav"));
  set(0.25, 8.0, 3.0, 64, 35, -7.3);
  ASSERT_TRUE(desk_.SaveChannelFile(0, "C:\\Sets\\rt.chn"));
  ASSERT_TRUE(desk_.LoadChannelFile(5, "C:\\Sets\\rt.chn", true));
  EXPECT_EQ(Values(5), "0.25 8 3 64/64 35/35 -7.3");
  EXPECT_STREQ(Ch(5).GetSndPath().GetText(), "C:\\Loops\\drum1.wav");
  EXPECT_STREQ(Ch(5).GetSfxPath().GetText(), "C:\\Loops\\f.wav");
}

// A save writes the channel's own values (not what its strip shows) and
// replaces the whole file; a save that fails changes nothing and says so.
TEST_F(ChannelFiles, SavingWritesTheChannelsOwnValuesAndReplacesTheFile) {
  WriteHost("Sets/b.chn",
            "[Other]\r\nx=1\r\n[Brevora Channel]\r\nVersion=3\r\nLoop=3\r\nBalance=-5\r\n"
            "Extra=gone\r\n");
  ASSERT_TRUE(desk_.LoadChannelFile(0, "C:\\Sets\\b.chn", true));
  view_.strips[0].loop = 4.0;  // the strip's selector cannot show 3 beats
  view_.labels.clear();
  for (const char* path : {"C:\\NoSuchDir\\b.chn", "", "Q:\\b.chn"})
    EXPECT_FALSE(desk_.SaveChannelFile(0, path)) << path;
  EXPECT_EQ(view_.messages, (tMessages{{"Can not save sample", "C:\\NoSuchDir\\b.chn"},
                                       {"Can not save sample", ""},
                                       {"Can not save sample", "Q:\\b.chn"}}));
  EXPECT_STREQ(Ch().GetFilePath().GetText(), "C:\\Sets\\b.chn");
  EXPECT_TRUE(view_.labels.empty());
  ASSERT_TRUE(desk_.SaveChannelFile(0, "C:\\Sets\\b.chn"));
  EXPECT_EQ(ReadHost("Sets/b.chn"),
            "[Brevora Channel]\r\nVersion=3\r\nQuantize=1.000\r\nLoop=3.000\r\nDelay=0.000\r\n"
            "Volume=80\r\nBalance=-5\r\nPitch= 0.0\r\nSnd_Label=\r\nSnd_SerNum=0\r\nSnd=\r\n"
            "SFx_Label=\r\nSFx_SerNum=0\r\nSFx=\r\nAuthor=User\r\n");
}

// Keys without regard to case, decimal syntax up to the first character
// that does not fit (hexadecimal is not decimal: the loop reads 0), values
// beyond the range held to it, and the defaults for missing keys.
TEST_F(ChannelFiles, ValuesAreReadLeniently) {
  const std::pair<const char*, const char*> files[] = {
      {"Version=3\r\n", "1 1 0 80/80 0/0 0"},
      {"version=3abc\r\nVOLUME=150\r\nBalance=-250\r\nPitch= 1.5\r\nQuantize=.5x\r\n"
       "Loop=0x10\r\nDelay=+2e0\r\n",
       "0.5 0 2 100/150 -100/-250 1.5"},
      {"Version=3\r\nPitch=-19.9\r\nVolume=99999999999\r\n", "1 1 0 100/2147483647 0/0 -19.9"},
  };
  for (const auto& [body, values] : files) {
    WriteChn("Sets/v.chn", body);
    Ch().SetVolume(10);
    ASSERT_TRUE(desk_.LoadChannelFile(0, "C:\\Sets\\v.chn", true)) << body;
    EXPECT_EQ(Values(0), values) << body;
  }
  EXPECT_FALSE(Ch().HasSound());
  EXPECT_STREQ(Ch().GetFilePath().GetText(), "C:\\Sets\\v.chn");
  EXPECT_STREQ(Ch().GetFileLabel().GetText(), "LOOPS");
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_EQ(view_.refreshed.back(), 0);
  tString label;
  desk_.StripLabelText(0, label);
  EXPECT_STREQ(label.GetText(), "v");
}

TEST_F(ChannelFiles, RefusedFilesLeaveTheChannelReset) {
  WriteWave("Loops/a.wav", 100);
  WriteChn("Sets/v2.chn", "Version=2\r\n");
  WriteChn("Sets/none.chn", "Quantize=1\r\n");
  WriteChn("Sets/empty.chn", "");
  WriteHost("Sets/other.chn", "[Something Else]\r\nVersion=3\r\n");
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Sets\\v2.chn", "Wrong chn version"},
      {"C:\\Sets\\none.chn", "Wrong chn version"},
      {"C:\\Sets\\empty.chn", "Can not load sample"},
      {"C:\\Sets\\other.chn", "Can not load sample"},
      {"C:\\Sets\\missing.chn", "Can not load sample"},
  };
  for (const auto& [path, key] : cases) {
    ASSERT_TRUE(Ch().LoadSound(tChannel::kMain, "C:\\Loops\\a.wav"));
    Ch().SetVolume(30);
    view_.messages.clear();
    EXPECT_FALSE(desk_.LoadChannelFile(0, path, true)) << path;
    EXPECT_EQ(view_.messages, (tMessages{{key, path}}));
    EXPECT_FALSE(Ch().HasSound()) << path;
    EXPECT_EQ(Ch().GetVolume(), 80) << path;
  }
  // Without showErrors nothing is shown; an empty path touches nothing.
  view_.messages.clear();
  EXPECT_FALSE(desk_.LoadChannelFile(0, "C:\\Sets\\v2.chn", false));
  ASSERT_TRUE(Ch().LoadSound(tChannel::kMain, "C:\\Loops\\a.wav"));
  EXPECT_FALSE(desk_.LoadChannelFile(0, "", true));
  EXPECT_TRUE(Ch().HasMain());
  EXPECT_TRUE(view_.messages.empty());
}

// An absolute channel-file path is used as given, a relative one is taken
// from the current drive's root, and a drive without its root is completed
// from the current folder. The waves are looked for on the channel file's
// own drive, whatever drive they name.
TEST_F(ChannelFiles, WavesAreLookedForOnTheChannelFilesDrive) {
  WriteWave("E/Loops/drum1.wav", 100);
  WriteWave("Loops/drum1.wav", 50);  // the same name on C: must not be taken
  WriteChn("E/Sets/a.chn", "Version=3\r\nSnd=C:\\Loops\\drum1.wav\r\nSFx=Loops\\drum1.wav\r\n");
  WriteChn("Sets/r.chn", "Version=3\r\nSnd=Loops\\drum1.wav\r\n");
  WriteChn("Other/d.chn", "Version=3\r\nSnd=Loops\\drum1.wav\r\n");
  ASSERT_TRUE(platform::SetCurrentDirectory("C:\\Other"));
  const struct {
    const char* given;
    const char* file;
    const char* wave;
    uint32_t frames;
  } cases[] = {{"E:\\Sets\\a.chn", "E:\\Sets\\a.chn", "E:\\Loops\\drum1.wav", 100},
               {"Sets\\r.chn", "C:\\Sets\\r.chn", "C:\\Loops\\drum1.wav", 50},
               {"C:d.chn", "C:\\Other\\d.chn", "C:\\Loops\\drum1.wav", 50}};
  for (const auto& c : cases) {
    ASSERT_TRUE(desk_.LoadChannelFile(1, c.given, true)) << c.given;
    EXPECT_STREQ(Ch(1).GetFilePath().GetText(), c.file);
    EXPECT_STREQ(Ch(1).GetSndPath().GetText(), c.wave);
    EXPECT_EQ(Ch(1).GetSound(tChannel::kMain)->GetLength(), c.frames);
  }
  ASSERT_TRUE(desk_.LoadChannelFile(0, "E:\\Sets\\a.chn", true));
  EXPECT_STREQ(Ch().GetSfxPath().GetText(), "E:\\Loops\\drum1.wav");
  EXPECT_STREQ(Ch().GetSndLabel().GetText(), "ELABEL");
  EXPECT_STREQ(Ch().GetFileLabel().GetText(), "ELABEL");
}

// Missing waves are reported (once for both) and the rest of the file
// applies; a wave whose conversion would cost what no real sample needs (a
// rate of 1 Hz asks for 44100 frames of every frame) does not load either.
TEST_F(ChannelFiles, MissingWavesAreReportedAndTheRestApplies) {
  WriteWave("Loops/ok.wav", 100);
  WriteHost("Loops/slow.wav", WaveBytes(1, 16, 2, 3000));
  WriteChn("Sets/both.chn", "Version=3\r\nVolume=40\r\nSnd=Loops\\x.wav\r\nSFx=Loops\\y.wav\r\n");
  WriteChn("Sets/main.chn", "Version=3\r\nVolume=41\r\nSnd=Loops\\x.wav\r\nSFx=Loops\\ok.wav\r\n");
  WriteChn("Sets/fx.chn",
           "Version=3\r\nVolume=42\r\nSnd=Loops\\ok.wav\r\nSFx=D:\\Loops\\y.wav\r\n");
  WriteChn("Sets/slow.chn",
           "Version=3\r\nVolume=43\r\nSnd=Loops\\ok.wav\r\nSFx=Loops\\slow.wav\r\n");
  const std::string names[] = {"both", "main", "fx", "slow"};
  for (int i = 0; i < 4; ++i)
    EXPECT_FALSE(desk_.LoadChannelFile(i, ("C:\\Sets\\" + names[i] + ".chn").c_str(), true));
  EXPECT_FALSE(desk_.LoadChannelFile(4, "C:\\Sets\\both.chn", false));
  EXPECT_FALSE(desk_.LoadWaveIntoChannel(tChannel::kMain, 5, "C:\\Loops\\slow.wav", true));
  EXPECT_EQ(view_.messages, (tMessages{{"Can not load waves", "<none>"},
                                       {"Can not load wave main", "C:\\Loops\\x.wav"},
                                       {"Can not load wave fx", "C:\\Loops\\y.wav"},
                                       {"Can not load wave fx", "C:\\Loops\\slow.wav"},
                                       {"Can not load wave main", "C:\\Loops\\slow.wav"}}));
  EXPECT_STREQ(Ch().GetFilePath().GetText(), "C:\\Sets\\both.chn");
  for (int i : {0, 1, 2}) EXPECT_EQ(Ch(i).GetVolume(), 40 + i);
  EXPECT_TRUE(Ch(1).HasEffect() && !Ch(1).HasMain());
  EXPECT_TRUE(Ch(2).HasMain() && !Ch(2).HasEffect());
  EXPECT_TRUE(Ch(3).HasMain() && !Ch(3).HasEffect());
  EXPECT_TRUE(Ch(3).GetSfxPath().IsEmpty());
  EXPECT_FALSE(Ch(5).HasSound());
}

// Volume, balance and pitch of a channel as its sound's voice plays them.
std::string VoiceSettings(tSound* sound) {
  if (sound == nullptr) return "no sound";
  tVoice& v = sound->Voice();
  return std::to_string(v.GetVolume()) + " " + std::to_string(v.GetBalance()) + " " +
         std::to_string(v.GetPitch());
}

TEST_F(ChannelFiles, LoadedWavesTakeTheOutputFormatAndReloadWhenQualityRises) {
  SetOutputFormat(22050, 8, 1);
  WriteWave("Loops/hq.wav", 4410);
  WriteWave("Loops/fx.wav", 441, 44100, 16, 1);
  WriteChn("Sets/hq.chn",
           "Version=3\r\nVolume=40\r\nBalance=-50\r\nPitch=5\r\nSnd=Loops\\hq.wav\r\n"
           "SFx=Loops\\fx.wav\r\n");
  ASSERT_TRUE(desk_.LoadChannelFile(0, "C:\\Sets\\hq.chn", true));
  EXPECT_EQ(FormatOf(Ch().GetSound(tChannel::kMain)), "22050/8/1");
  EXPECT_EQ(Ch().GetSound(tChannel::kMain)->GetLength(), 2205u);

  // Back to high quality: read again from the file, not widened from 8
  // bits, and played with the channel's own settings.
  SetOutputFormat(44100, 16, 2);
  const WAVEFORMATEX high = MakeWaveFormat(44100, 16, 2);
  ASSERT_TRUE(desk_.AdaptChannel(0, high));
  tSound* snd = Ch().GetSound(tChannel::kMain);
  ASSERT_EQ(snd->GetLength(), 4410u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(snd->Wave().Data()), snd->Wave().Size()),
            WaveBytes(44100, 16, 2, 4410).substr(44));
  const std::string settings = "0.400000 -0.500000 1.050000";
  EXPECT_EQ(VoiceSettings(snd), settings);
  EXPECT_EQ(VoiceSettings(Ch().GetSound(tChannel::kEffect)), settings);
  EXPECT_EQ(Ch().GetCurrent(), snd);

  // The main wave's file is gone when the quality rises again: the sound
  // the channel had plays on in the new format, the reload is reported
  // with the wave's path, and the effect half still runs.
  ASSERT_TRUE(desk_.AdaptChannel(0, MakeWaveFormat(22050, 8, 1)));
  ASSERT_TRUE(platform::DeleteFile("C:\\Loops\\hq.wav"));
  EXPECT_FALSE(desk_.AdaptChannel(0, high));
  EXPECT_EQ(view_.messages, (tMessages{{"Can not load wave main", "C:\\Loops\\hq.wav"}}));
  snd = Ch().GetSound(tChannel::kMain);
  ASSERT_NE(snd, nullptr);
  EXPECT_EQ(FormatOf(snd) + " " + std::to_string(snd->GetLength()), "44100/16/2 4410");
  EXPECT_STREQ(Ch().GetSndPath().GetText(), "C:\\Loops\\hq.wav");
  EXPECT_EQ(Ch().GetCurrent(), snd);
  EXPECT_EQ(VoiceSettings(snd), settings);
  tSound* fx = Ch().GetSound(tChannel::kEffect);
  ASSERT_NE(fx, nullptr);
  EXPECT_EQ(FormatOf(fx) + " " + std::to_string(fx->GetLength()), "44100/16/2 441");
  const auto* samples = reinterpret_cast<const int16_t*>(fx->Wave().Data());
  EXPECT_EQ((std::vector<int>{samples[2], samples[3], samples[878], samples[879]}),
            (std::vector<int>{3, 3, 1317, 1317}));  // the file's, not widened from 8 bits
}

}  // namespace
