#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "audio/audio_setup.h"
#include "mix/event_list.h"
#include "platform/profile.h"
#include "tests/channels/channels_test_util.h"

namespace {

class Events : public TracedTest {
 protected:
  void SetUp() override {
    TracedTest::SetUp();
    SetOutputFormat(22050, 16, 2);
  }
  static std::string Host(tEventList& list) {
    std::string host;
    EXPECT_TRUE(platform::ToHostPath(list.WorkingPath(), host));
    return host;
  }
  static std::string Working(tEventList& list) {
    std::ifstream in(Host(list), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Appends lines to the working file by hand (after closing it), then
  // opens it for reading and rewinds.
  static void AppendAndRewind(tEventList& list, const std::string& lines = "") {
    if (!lines.empty()) {
      list.Close();
      std::ofstream(Host(list), std::ios::app | std::ios::binary) << lines;
    }
    ASSERT_TRUE(list.OpenForReading());
    ASSERT_TRUE(list.Rewind());
  }
  // Traces the events up to the end as "time channel kind value".
  void TraceRest(tEventList& list) {
    uint32_t t;
    int32_t ch, kind, value;
    while (list.ReadNext(t, ch, kind, value)) trace_(" event", t, ch, kind, value);
    trace_(" end");
  }
};

TEST_F(Events, HandEditedLinesAreSkippedOrEndTheEvents) {
  tEventList list;
  ASSERT_TRUE(list.Clear());
  AppendAndRewind(list,
                  "\r\n"                                   // blank lines are skipped
                  "Time 00000010 Channel 1 volume 55\r\n"  // kind words without case
                  "   \t\r\n"
                  "\n"
                  "  Time 00000015 Channel 2 Play 0\r\n"  // blanks before a line
                  "Time 00000020 Channel 1\r\n"           // incomplete: skipped
                  "Time 00000030 Channel 1 Jump 5\r\n"    // unknown kind: skipped
                  "Time 00000040 Channel 1 ENDMIX 0\r\n"
                  "; a note\r\n"  // text that scans nothing: the end
                  "Time 00000050 Channel 1 Play 0\r\n");
  TraceRest(list);
}

// The events begin after the section's key lines, however many there are:
// a header without its Author line, with a comment, a blank line, a key of
// its own or a channel-file path longer than a line buffer reads the same
// events as the template the desk writes.
TEST_F(Events, EventsBeginAfterTheHeaderWhateverItsLines) {
  tEventList list;
  ASSERT_TRUE(list.Clear());
  list.Close();
  const std::string header = Working(list);
  auto edit = [&](const std::string& find, const std::string& replace) {
    std::string text = header;
    text.replace(text.find(find), find.size(), replace);
    return text;
  };
  const std::string headers[] = {
      header,
      edit("Author=User\r\n", ""),
      edit("[Brevora Mix]\r\n", "[Brevora Mix]\r\n; saved by hand\r\n"),
      edit("Length=\r\n", "Length=\r\n\r\nComment=two = signs\r\n"),
      "\r\n" + edit("BPM=\r\n", "bpm=120\n"),
      edit("Sample_16=", "Sample_16=C:\\" + std::string(255, 'x')),
  };
  for (const std::string& text : headers) {
    std::ofstream(Host(list), std::ios::binary)
        << text << "Time 00000010 Channel 1 Volume 55\r\nTime 00000020 Channel 2 Play 0\r\n";
    ASSERT_TRUE(list.OpenForReading());
    ASSERT_TRUE(list.Rewind());
    trace_("header of", text.size(), "bytes");
    TraceRest(list);
  }
}

// A length that is negative or beyond what the clock can count is no
// length (the events then tell where the mix ends).
TEST_F(Events, ALengthTheClockCannotHoldIsReadAsNone) {
  for (const char* text : {"", "12", " 7 s", "97390", "97391", "-1", "-2", "4294967295"}) {
    // A hand-edited header: a list reads its working file's header once, so
    // each text gets a list of its own.
    tEventList edited;
    ASSERT_TRUE(edited.Clear());
    edited.Close();
    ASSERT_TRUE(platform::WriteProfileString(edited.WorkingPath(), "Brevora Mix", "Length", text));
    int32_t length = -99;
    const bool valid = edited.ReadLength(length);
    trace_("Length=" + std::string(text), "valid", valid, "length", length);
  }
}

// A cleared working file holds the 53-line template; header writes, one
// key or the whole header at a time, keep the event lines in place.
TEST_F(Events, HeaderWritesKeepTheEventLinesInPlace) {
  tEventList list;
  ASSERT_TRUE(list.Clear());
  trace_("cleared: recording", list.HasRecording());
  list.Close();
  trace_.Text("cleared", Working(list));
  ASSERT_TRUE(list.Clear());
  ASSERT_TRUE(list.Record(0, 0, kVolume, 80));
  ASSERT_TRUE(list.Record(44100, 0, kEndMix, 0));
  trace_("unknown kind written", list.Record(1, 0, 9, 1), "recording", list.HasRecording());
  ASSERT_TRUE(list.WriteTempo(120));
  ASSERT_TRUE(list.WriteLength(12));
  ASSERT_TRUE(list.WriteSerial(0, 0x80000000u));
  ASSERT_TRUE(list.WriteSample(0, "D:\\Sets\\drums.chn"));
  ASSERT_TRUE(list.WriteLabel(0, "LOOPS"));
  trace_.Text("written", Working(list));
  auto read = [&](const char* what) {
    uint32_t serial = 0;
    int32_t tempo = 0, length = 0, version = 0;
    char buffer[260];
    list.ReadSerial(0, serial);
    list.ReadTempo(tempo);
    list.ReadLength(length);
    list.ReadVersion(version);
    list.ReadSample(0, buffer);
    trace_(what, ": serial", serial, "tempo", tempo, "length", length, "version", version, "sample",
           buffer);
  };
  read("read");
  // The whole header in one write; what was read before is read afresh.
  tEventList::tHeader header;
  header.tempo = 99;
  header.sample[0] = "E:\\b.chn";
  ASSERT_TRUE(list.WriteHeader(header));
  read("whole header written");
  trace_.Text("whole header", Working(list));
  AppendAndRewind(list);
  TraceRest(list);
}

// Without a usable temporary folder the working file goes to the runtime
// folder, else to the content root, always under a name of its own; when no
// folder takes it there is none, and nothing pretends to work. The file
// goes with its list.
TEST_F(Events, TheWorkingFileFallsBackToOtherFoldersNeverToAFixedName) {
  const char* tmpdir = std::getenv("TMPDIR");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string savedTmp = tmpdir != nullptr ? tmpdir : "",
                    savedRuntime = runtime ? runtime : "";
  setenv("TMPDIR", (root_ + "/no such folder").c_str(), 1);
  WriteHost("run/keep", "");
  setenv("XDG_RUNTIME_DIR", (root_ + "/run").c_str(), 1);
  std::string path;
  {
    tEventList a, b;
    path = a.WorkingPath();
    EXPECT_NE(path.find("\\run\\mix"), std::string::npos) << path;
    EXPECT_NE(path, b.WorkingPath());
    WriteHost("Mixes/x.mix", "[Brevora Mix]\r\nVersion=3\r\nLength=7\r\n");
    const bool cleared = a.Clear(), loaded = a.LoadFrom("C:\\Mixes\\x.mix"), accepted = a.Accept();
    trace_("in the runtime folder: cleared", cleared, "loaded", loaded, "accepted", accepted,
           "recording", a.HasRecording(), "mix", a.MixName().GetText());
    const bool missing = a.LoadFrom("C:\\Mixes\\missing.mix");
    trace_("missing", missing, "mix", a.MixName().GetText(), "working file readable",
           platform::CanOpenForReading(path));
  }
  trace_("list gone: working file readable", platform::CanOpenForReading(path));
  unsetenv("XDG_RUNTIME_DIR");
  {
    tEventList c;
    trace_("in the content root:", c.WorkingPath().rfind("C:\\mix", 0) == 0, c.Clear());
  }
  platform::InitDrives(root_ + "/no such folder", false);
  {
    tEventList none;
    trace_("nowhere: path", none.WorkingPath(), "cleared", none.Clear(), "opened",
           none.OpenForReading(), "loaded", none.LoadFrom("Z:\\etc\\hostname"));
  }
  platform::InitDrives(root_, false);
  setenv("TMPDIR", savedTmp.c_str(), 1);
  if (tmpdir == nullptr) unsetenv("TMPDIR");
  if (runtime != nullptr) setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
}

}  // namespace
