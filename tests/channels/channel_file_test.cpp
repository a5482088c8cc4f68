#include <string>

#include "channels/channel_desk.h"
#include "tests/channels/channels_test_util.h"

namespace {

class ChannelFiles : public ChannelTest {
 protected:
  void WriteChn(const std::string& rel, const std::string& body) {
    WriteHost(rel, "[Brevora Channel]\r\n" + body);
  }
  tChannel& Ch(int i = 0) { return desk_.Channel(i); }
  // Traces a saved file line by line, the disk's serial number by name.
  void TraceFile(const std::string& rel) {
    trace_.Text(rel, NameDiskSerial(ReadHost(rel)));
    trace_("file", Ch().GetFilePath().GetText(), Ch().GetFileLabel().GetText(),
           Ch().GetFileSerial() == tFileName::VolumeSerialOf(tFileName("C:\\")), "strip label",
           view_.labels[0], view_.Said());
  }

  tRecordingView view_;
  tChannelDesk desk_{&view_};
};

// A save writes the channel's own values (not what its strip shows) and
// replaces the whole file; a save that fails changes nothing and says so.
TEST_F(ChannelFiles, SavingWritesTheChannelsOwnValuesAndReplacesTheFile) {
  WriteHost("Sets/b.chn",
            "[Other]\r\nx=1\r\n[Brevora Channel]\r\nVersion=3\r\nLoop=3\r\nBalance=-5\r\n"
            "Extra=gone\r\n");
  ASSERT_TRUE(desk_.LoadChannelFile(0, "C:\\Sets\\b.chn", true));
  view_.strips[0].loop = 4.0;  // the strip's selector cannot show 3 beats
  view_.labels.clear();
  for (const char* path : {"C:\\NoSuchDir\\b.chn", "", "Q:\\b.chn"}) {
    const bool saved = desk_.SaveChannelFile(0, path);
    trace_("save", path, saved, view_.Said(), "labels", view_.labels.size());
  }
  trace_("file", Ch().GetFilePath().GetText());
  trace_("save b.chn", desk_.SaveChannelFile(0, "C:\\Sets\\b.chn"));
  TraceFile("Sets/b.chn");
}

// Keys without regard to case, decimal syntax up to the first character
// that does not fit (hexadecimal is not decimal: the loop reads 0), values
// beyond the range held to it, and the defaults for missing keys.
TEST_F(ChannelFiles, ValuesAreReadLeniently) {
  for (const char* body :
       {"Version=3\r\n",
        "version=3abc\r\nVOLUME=150\r\nBalance=-250\r\nPitch= 1.5\r\nQuantize=.5x\r\n"
        "Loop=0x10\r\nDelay=+2e0\r\n",
        "Version=3\r\nPitch=-19.9\r\nVolume=99999999999\r\n"}) {
    WriteChn("Sets/v.chn", body);
    Ch().SetVolume(10);
    const bool loaded = desk_.LoadChannelFile(0, "C:\\Sets\\v.chn", true);
    trace_.Text("file", body);
    trace_("loaded", loaded, Describe(Ch()));
  }
  tString label;
  desk_.StripLabelText(0, label);
  trace_("file", Ch().GetFilePath().GetText(), Ch().GetFileLabel().GetText(), view_.Said(),
         "refreshed last", view_.refreshed.back(), "label", label.GetText());
}

TEST_F(ChannelFiles, RefusedFilesLeaveTheChannelReset) {
  WriteWave("Loops/a.wav", 100);
  WriteChn("Sets/v2.chn", "Version=2\r\n");
  WriteChn("Sets/none.chn", "Quantize=1\r\n");
  WriteChn("Sets/empty.chn", "");
  WriteHost("Sets/other.chn", "[Something Else]\r\nVersion=3\r\n");
  for (const char* path : {"C:\\Sets\\v2.chn", "C:\\Sets\\none.chn", "C:\\Sets\\empty.chn",
                           "C:\\Sets\\other.chn", "C:\\Sets\\missing.chn"}) {
    ASSERT_TRUE(Ch().LoadSound(tChannel::kMain, "C:\\Loops\\a.wav"));
    Ch().SetVolume(30);
    const bool loaded = desk_.LoadChannelFile(0, path, true);
    trace_(path, loaded, view_.Said(), Describe(Ch()));
  }
  // Without showErrors nothing is shown; an empty path touches nothing.
  trace_("quiet v2.chn", desk_.LoadChannelFile(0, "C:\\Sets\\v2.chn", false));
  ASSERT_TRUE(Ch().LoadSound(tChannel::kMain, "C:\\Loops\\a.wav"));
  const bool empty = desk_.LoadChannelFile(0, "", true);
  trace_("empty path", empty, "main kept", Ch().HasMain(), view_.Said());
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
  const char* names[] = {"both", "main", "fx", "slow"};
  for (int i = 0; i < 4; ++i) {
    const bool loaded =
        desk_.LoadChannelFile(i, (std::string("C:\\Sets\\") + names[i] + ".chn").c_str(), true);
    trace_(names[i], loaded, view_.Said(), Ch(i).GetFilePath().GetText(), Describe(Ch(i)));
  }
  const bool quiet = desk_.LoadChannelFile(4, "C:\\Sets\\both.chn", false);
  trace_("quiet both", quiet, view_.Said());
  const bool slow = desk_.LoadWaveIntoChannel(tChannel::kMain, 5, "C:\\Loops\\slow.wav", true);
  trace_("wave slow", slow, view_.Said(), Describe(Ch(5)));
}

TEST_F(ChannelFiles, LoadedWavesTakeTheOutputFormatAndReloadWhenQualityRises) {
  SetOutputFormat(22050, 8, 1);
  WriteWave("Loops/hq.wav", 4410);
  WriteWave("Loops/fx.wav", 441, 44100, 16, 1);
  WriteChn("Sets/hq.chn",
           "Version=3\r\nVolume=40\r\nBalance=-50\r\nPitch=5\r\nSnd=Loops\\hq.wav\r\n"
           "SFx=Loops\\fx.wav\r\n");
  auto show = [&](const char* what, bool result) {
    trace_(what, result, view_.Said(), Describe(Ch()));
  };
  show("load at 22050/8/1", desk_.LoadChannelFile(0, "C:\\Sets\\hq.chn", true));
  // Back to high quality: read again from the file, not widened from 8
  // bits, and played with the channel's own settings.
  SetOutputFormat(44100, 16, 2);
  const WAVEFORMATEX high = MakeWaveFormat(44100, 16, 2);
  show("adapt to 44100/16/2", desk_.AdaptChannel(0, high));
  tSound* snd = Ch().GetSound(tChannel::kMain);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(snd->Wave().Data()), snd->Wave().Size()),
            WaveBytes(44100, 16, 2, 4410).substr(44));
  // The main wave's file is gone when the quality rises again: the sound
  // the channel had plays on in the new format, the reload is reported
  // with the wave's path, and the effect half still runs.
  ASSERT_TRUE(desk_.AdaptChannel(0, MakeWaveFormat(22050, 8, 1)));
  ASSERT_TRUE(platform::DeleteFile("C:\\Loops\\hq.wav"));
  show("hq.wav gone, adapt to 44100/16/2", desk_.AdaptChannel(0, high));
  const auto* samples =
      reinterpret_cast<const int16_t*>(Ch().GetSound(tChannel::kEffect)->Wave().Data());
  // The file's samples, not widened from 8 bits.
  trace_("fx samples 2 3 878 879:", samples[2], samples[3], samples[878], samples[879]);
}

}  // namespace
