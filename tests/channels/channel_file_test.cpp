#include <algorithm>
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
  std::string Serial(const char* root) {
    return std::to_string(tFileName::VolumeSerialOf(tFileName(root)));
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
  WriteHost("Sets/.keep", "");
  ASSERT_TRUE(Ch().LoadSound(tChannel::kMain, "C:\\Loops\\drum1.wav"));
  Ch().SetQuantize(1.0);
  Ch().SetLoop(4.0);
  Ch().SetDelay(0.0);
  Ch().SetVolume(80);
  Ch().SetBalance(-20);
  Ch().SetPitch(1.5);
  ASSERT_TRUE(desk_.SaveChannelFile(0, "C:\\Sets\\a.chn"));
  EXPECT_EQ(ReadHost("Sets/a.chn"),
            "[Brevora Channel]\r\nVersion=3\r\nQuantize=1.000\r\nLoop=4.000\r\nDelay=0.000\r\n"
            "Volume=80\r\nBalance=-20\r\nPitch= 1.5\r\nSnd_Label=LOOPS\r\nSnd_SerNum=" +
                Serial("C:\\") +
                "\r\nSnd=C:\\Loops\\drum1.wav\r\nSFx_Label=\r\nSFx_SerNum=0\r\nSFx=\r\n"
                "Author=User\r\n");
  EXPECT_STREQ(Ch().GetFilePath().GetText(), "C:\\Sets\\a.chn");
  EXPECT_STREQ(Ch().GetFileLabel().GetText(), "LOOPS");
  EXPECT_EQ(std::to_string(Ch().GetFileSerial()), Serial("C:\\"));
  EXPECT_EQ(view_.labels[0], "a");
  EXPECT_TRUE(view_.messages.empty());

  // Saved values come back as they were, on another channel.
  WriteWave("Loops/f.wav", 100);
  ASSERT_TRUE(Ch().LoadSound(tChannel::kEffect, "C:\\Loops\\f.wav"));
  Ch().SetQuantize(0.25);
  Ch().SetLoop(8.0);
  Ch().SetDelay(3.0);
  Ch().SetVolume(64);
  Ch().SetBalance(35);
  Ch().SetPitch(-7.3);
  ASSERT_TRUE(desk_.SaveChannelFile(0, "C:\\Sets\\rt.chn"));
  ASSERT_TRUE(desk_.LoadChannelFile(5, "C:\\Sets\\rt.chn", true));
  EXPECT_EQ(Values(5), "0.25 8 3 64/64 35/35 -7.3");
  EXPECT_STREQ(Ch(5).GetSndPath().GetText(), "C:\\Loops\\drum1.wav");
  EXPECT_STREQ(Ch(5).GetSfxPath().GetText(), "C:\\Loops\\f.wav");
}

TEST_F(ChannelFiles, SavingWritesTheChannelsOwnValuesAndReplacesTheFile) {
  WriteHost("Sets/b.chn",
            "[Other]\r\nx=1\r\n[Brevora Channel]\r\nVersion=3\r\nLoop=3\r\nBalance=-5\r\n"
            "Extra=gone\r\n");
  ASSERT_TRUE(desk_.LoadChannelFile(0, "C:\\Sets\\b.chn", true));
  EXPECT_EQ(Ch().GetLoop(), 3.0);
  // The strip's loop selector cannot show 3 beats; the file keeps them.
  view_.strips[0].loop = 4.0;
  ASSERT_TRUE(desk_.SaveChannelFile(0, "C:\\Sets\\b.chn"));
  EXPECT_EQ(ReadHost("Sets/b.chn"),
            "[Brevora Channel]\r\nVersion=3\r\nQuantize=1.000\r\nLoop=3.000\r\nDelay=0.000\r\n"
            "Volume=80\r\nBalance=-5\r\nPitch= 0.0\r\nSnd_Label=\r\nSnd_SerNum=0\r\nSnd=\r\n"
            "SFx_Label=\r\nSFx_SerNum=0\r\nSFx=\r\nAuthor=User\r\n");
}

TEST_F(ChannelFiles, AFailedSaveChangesNothingAndSaysSo) {
  WriteChn("Sets/c.chn", "Version=3\r\n");
  ASSERT_TRUE(desk_.LoadChannelFile(0, "C:\\Sets\\c.chn", true));
  view_.labels.clear();
  EXPECT_FALSE(desk_.SaveChannelFile(0, "C:\\NoSuchDir\\c.chn"));
  EXPECT_EQ(view_.messages, (tMessages{{"Can not save sample", "C:\\NoSuchDir\\c.chn"}}));
  EXPECT_STREQ(Ch().GetFilePath().GetText(), "C:\\Sets\\c.chn");
  EXPECT_TRUE(view_.labels.empty());
  EXPECT_FALSE(desk_.SaveChannelFile(0, ""));
  EXPECT_FALSE(desk_.SaveChannelFile(0, "Q:\\x.chn"));
  EXPECT_EQ(view_.messages.size(), 3u);
  EXPECT_EQ(ReadHost("Sets/c.chn"), "[Brevora Channel]\r\nVersion=3\r\n");

  // A target that cannot be replaced (a folder) fails after the writes;
  // the temporary file goes and nothing else changes.
  WriteHost("Sets/taken.chn/x", "");
  EXPECT_FALSE(desk_.SaveChannelFile(0, "C:\\Sets\\taken.chn"));
  EXPECT_EQ(view_.messages.size(), 4u);
  EXPECT_STREQ(Ch().GetFilePath().GetText(), "C:\\Sets\\c.chn");
  platform::DirectorySearch search;
  std::vector<std::string> names;
  for (bool ok = search.Start("C:\\Sets", "*"); ok; ok = search.Next())
    names.push_back(search.Current().name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "c.chn", "taken.chn"}));
}

TEST_F(ChannelFiles, AVersionOnlyFileLoadsTheDefaults) {
  WriteChn("Sets/v.chn", "Version=3\r\n");
  Ch().SetVolume(10);
  ASSERT_TRUE(desk_.LoadChannelFile(0, "C:\\Sets\\v.chn", true));
  EXPECT_EQ(Values(0), "1 1 0 80/80 0/0 0");
  EXPECT_FALSE(Ch().HasSound());
  EXPECT_STREQ(Ch().GetFilePath().GetText(), "C:\\Sets\\v.chn");
  EXPECT_STREQ(Ch().GetFileLabel().GetText(), "LOOPS");
  EXPECT_TRUE(view_.messages.empty());
  ASSERT_FALSE(view_.refreshed.empty());
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

TEST_F(ChannelFiles, WavesAreLookedForOnTheChannelFilesDrive) {
  WriteWave("E/Loops/drum1.wav", 100);
  WriteWave("Loops/drum1.wav", 50);  // the same name on C: must not be taken
  WriteChn("E/Sets/a.chn", "Version=3\r\nSnd=C:\\Loops\\drum1.wav\r\nSFx=Loops\\drum1.wav\r\n");
  ASSERT_TRUE(desk_.LoadChannelFile(0, "E:\\Sets\\a.chn", true));
  EXPECT_STREQ(Ch().GetSndPath().GetText(), "E:\\Loops\\drum1.wav");
  EXPECT_STREQ(Ch().GetSfxPath().GetText(), "E:\\Loops\\drum1.wav");
  EXPECT_STREQ(Ch().GetSndLabel().GetText(), "ELABEL");
  EXPECT_EQ(Ch().GetSound(tChannel::kMain)->GetLength(), 100u);
  EXPECT_STREQ(Ch().GetFileLabel().GetText(), "ELABEL");
}

TEST_F(ChannelFiles, AnAbsolutePathIsUsedAsGivenARelativeOneOnTheCurrentDrive) {
  WriteChn("E/Sets/a.chn", "Version=3\r\nVolume=11\r\n");
  ASSERT_TRUE(desk_.LoadChannelFile(0, "E:\\Sets\\a.chn", true));
  EXPECT_EQ(Ch().GetVolume(), 11);

  WriteChn("Sets/r.chn", "Version=3\r\nVolume=22\r\n");
  WriteHost("Other/.keep", "");
  ASSERT_TRUE(platform::SetCurrentDirectory("C:\\Other"));
  // Relative names are taken from the drive's root, not the current folder.
  ASSERT_TRUE(desk_.LoadChannelFile(1, "Sets\\r.chn", true));
  EXPECT_EQ(Ch(1).GetVolume(), 22);
  EXPECT_STREQ(Ch(1).GetFilePath().GetText(), "C:\\Sets\\r.chn");

  // A drive with a name and no root is completed before the waves are
  // put on the file's drive.
  WriteWave("Loops/a.wav", 10);
  WriteChn("Other/d.chn", "Version=3\r\nSnd=Loops\\a.wav\r\n");
  ASSERT_TRUE(desk_.LoadChannelFile(2, "C:d.chn", true));
  EXPECT_STREQ(Ch(2).GetFilePath().GetText(), "C:\\Other\\d.chn");
  EXPECT_STREQ(Ch(2).GetSndPath().GetText(), "C:\\Loops\\a.wav");
}

TEST_F(ChannelFiles, ValuesAreReadLeniently) {
  // Hexadecimal is not decimal syntax: the loop reads 0.
  WriteChn("Sets/p.chn",
           "version=3abc\r\nVOLUME=150\r\nBalance=-250\r\nPitch= 1.5\r\nQuantize=.5x\r\n"
           "Loop=0x10\r\nDelay=+2e0\r\n");
  ASSERT_TRUE(desk_.LoadChannelFile(0, "C:\\Sets\\p.chn", true));
  EXPECT_EQ(Values(0), "0.5 0 2 100/150 -100/-250 1.5");
  WriteChn("Sets/q.chn", "Version=3\r\nPitch=-19.9\r\nVolume=99999999999\r\n");
  ASSERT_TRUE(desk_.LoadChannelFile(0, "C:\\Sets\\q.chn", true));
  EXPECT_EQ(Ch().GetPitch(), -19.9);
  EXPECT_EQ(Ch().GetBaseVolume(), 2147483647);
}

TEST_F(ChannelFiles, MissingWavesAreReportedAndTheRestApplies) {
  WriteWave("Loops/ok.wav", 100);
  WriteChn("Sets/both.chn", "Version=3\r\nVolume=40\r\nSnd=Loops\\x.wav\r\nSFx=Loops\\y.wav\r\n");
  WriteChn("Sets/main.chn", "Version=3\r\nVolume=41\r\nSnd=Loops\\x.wav\r\nSFx=Loops\\ok.wav\r\n");
  WriteChn("Sets/fx.chn",
           "Version=3\r\nVolume=42\r\nSnd=Loops\\ok.wav\r\nSFx=D:\\Loops\\y.wav\r\n");
  EXPECT_FALSE(desk_.LoadChannelFile(0, "C:\\Sets\\both.chn", true));
  EXPECT_FALSE(desk_.LoadChannelFile(1, "C:\\Sets\\main.chn", true));
  EXPECT_FALSE(desk_.LoadChannelFile(2, "C:\\Sets\\fx.chn", true));
  EXPECT_FALSE(desk_.LoadChannelFile(3, "C:\\Sets\\both.chn", false));
  EXPECT_EQ(view_.messages, (tMessages{{"Can not load waves", "<none>"},
                                       {"Can not load wave main", "C:\\Loops\\x.wav"},
                                       {"Can not load wave fx", "C:\\Loops\\y.wav"}}));
  EXPECT_STREQ(Ch().GetFilePath().GetText(), "C:\\Sets\\both.chn");
  for (int i : {0, 1, 2}) EXPECT_EQ(Ch(i).GetVolume(), 40 + i);
  EXPECT_TRUE(Ch(1).HasEffect());
  EXPECT_FALSE(Ch(1).HasMain());
  EXPECT_TRUE(Ch(2).HasMain());
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
  EXPECT_EQ(FormatOf(snd), "44100/16/2");
  EXPECT_EQ(snd->GetLength(), 4410u);
  EXPECT_STREQ(Ch().GetSndPath().GetText(), "C:\\Loops\\hq.wav");
  EXPECT_EQ(Ch().GetCurrent(), snd);
  EXPECT_EQ(VoiceSettings(snd), settings);
  tSound* fx = Ch().GetSound(tChannel::kEffect);
  ASSERT_NE(fx, nullptr);
  const auto* samples = reinterpret_cast<const int16_t*>(fx->Wave().Data());
  EXPECT_EQ((std::vector<int>{samples[2], samples[3], samples[878], samples[879]}),
            (std::vector<int>{3, 3, 1317, 1317}));  // the file's, not widened from 8 bits
  EXPECT_EQ(FormatOf(fx), "44100/16/2");
  EXPECT_EQ(fx->GetLength(), 441u);
}

// A wave whose conversion would cost what no real sample needs (a rate of 1
// Hz asks for 44100 frames of every frame) is a wave that does not load.
TEST_F(ChannelFiles, AWaveThatCannotBeConvertedDoesNotLoad) {
  WriteHost("Loops/slow.wav", WaveBytes(1, 16, 2, 3000));
  WriteWave("Loops/ok.wav", 100);
  WriteChn("Sets/slow.chn",
           "Version=3\r\nVolume=30\r\nSnd=Loops\\ok.wav\r\nSFx=Loops\\slow.wav\r\n");
  EXPECT_FALSE(desk_.LoadChannelFile(0, "C:\\Sets\\slow.chn", true));
  EXPECT_FALSE(desk_.LoadWaveIntoChannel(tChannel::kMain, 1, "C:\\Loops\\slow.wav", true));
  EXPECT_EQ(view_.messages, (tMessages{{"Can not load wave fx", "C:\\Loops\\slow.wav"},
                                       {"Can not load wave main", "C:\\Loops\\slow.wav"}}));
  EXPECT_TRUE(Ch(0).HasMain());
  EXPECT_FALSE(Ch(0).HasEffect());
  EXPECT_TRUE(Ch(0).GetSfxPath().IsEmpty());
  EXPECT_FALSE(Ch(1).HasSound());
}

}  // namespace
