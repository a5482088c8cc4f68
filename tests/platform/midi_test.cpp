// The MIDI input service: messages turned into records, the ring between the
// back end's thread and the main loop with its wake-up, and the real port on
// a JACK server of the test's own (its dummy driver needs no sound card).
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/input.h"
#include "platform/midi.h"
#include "tests/platform/golden_trace.h"
#include "tests/platform/jack_sender.h"
#include "tests/platform/jack_server.h"

namespace {

using platform::MidiRecord;
using Kind = MidiRecord::Kind;

std::string Text(const MidiRecord& r) {
  const char* kind = r.kind == Kind::kNoteOn ? "on" : r.kind == Kind::kNoteOff ? "off" : "cc";
  return std::string(kind) + " " + std::to_string(r.channel) + " " + std::to_string(r.number) +
         " " + std::to_string(r.value);
}

std::vector<std::string> TakeAll(platform::MidiInput& input) {
  std::vector<std::string> out;
  MidiRecord r;
  while (input.Take(r)) out.push_back(Text(r));
  return out;
}

TEST(MidiMessages, NotesAndControllersBecomeRecords) {
  VerifyGoldenTable("tests/platform/golden/midi_messages.txt", [](const std::string& row) {
    std::vector<uint8_t> bytes;
    std::istringstream in(row == "(none)" ? "" : row);
    for (unsigned v = 0; in >> std::hex >> v;) bytes.push_back(static_cast<uint8_t>(v));
    MidiRecord r;
    return platform::ParseMidiMessage(bytes.data(), bytes.size(), r) ? Text(r) : "no record";
  });
}

TEST(MidiMessages, SystemNames) {
  using S = platform::MidiSystem;
  for (auto [name, system] :
       {std::pair{"JACK", S::kJack}, {"alsa", S::kAlsa}, {"None", S::kNone}}) {
    S s = system == S::kNone ? S::kJack : S::kNone;
    ASSERT_TRUE(platform::MidiSystemFromName(name, s)) << name;
    EXPECT_EQ(s, system) << name;
  }
  S s = S::kNone;
  EXPECT_FALSE(platform::MidiSystemFromName("pipewire", s));
  EXPECT_FALSE(platform::MidiSystemFromName("", s));
  EXPECT_STREQ(platform::MidiSystemName(S::kJack), "jack");
}

TEST(MidiRing, RecordsFromAnotherThreadWakeTheLoopInOrder) {
  platform::TestMidiInput input;
  platform::FlushInput();
  std::thread sender([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    input.NoteOn(36, 10);
    input.Control(64, 127, 10);
    input.NoteOff(36, 10);
  });
  platform::tInputEvent e;
  ASSERT_TRUE(platform::WaitInput(e, 20000));
  sender.join();
  EXPECT_EQ(e.kind, platform::InputKind::kWake);
  EXPECT_EQ(TakeAll(input),
            (std::vector<std::string>{"on 10 36 100", "cc 10 64 127", "off 10 36 64"}));
  platform::FlushInput();
}

TEST(MidiRing, AFullRingDropsAndCountsWhatDoesNotFit) {
  platform::TestMidiInput input;
  const uint32_t extra = 5;
  for (uint32_t i = 0; i < platform::MidiInput::kCapacity + extra; ++i)
    input.Control(1, static_cast<uint8_t>(i % 128));
  EXPECT_EQ(input.Lost(), extra);
  std::vector<std::string> taken = TakeAll(input);
  ASSERT_EQ(taken.size(), platform::MidiInput::kCapacity);
  EXPECT_EQ(taken.front(), "cc 1 1 0");
  EXPECT_EQ(taken.back(), "cc 1 1 " + std::to_string((platform::MidiInput::kCapacity - 1) % 128));
  // Room again, and the ring goes on in order across its end.
  for (uint8_t v = 0; v < 3; ++v) input.Control(7, v);
  EXPECT_EQ(TakeAll(input), (std::vector<std::string>{"cc 1 7 0", "cc 1 7 1", "cc 1 7 2"}));
  EXPECT_EQ(input.Lost(), extra);
  platform::FlushInput();
}

TEST(MidiPort, OffOrWithoutItsSystemOpensNothingAndPrintsNothing) {
  std::string error = "x";
  platform::MidiOptions options;
  options.system = platform::MidiSystem::kNone;
  EXPECT_EQ(platform::OpenMidiInput(options, error), nullptr);
  EXPECT_EQ(error, "");

  // No JACK server of that name: the libraries keep quiet, the reason comes back.
  setenv("JACK_DEFAULT_SERVER", "brevora-nobody-runs-this", 1);
  options.system = platform::MidiSystem::kJack;
  testing::internal::CaptureStderr();
  EXPECT_EQ(platform::OpenMidiInput(options, error), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(error, "no JACK server is running");

  struct stat st;
  if (stat("/dev/snd/seq", &st) != 0) {
    options.system = platform::MidiSystem::kAlsa;
    testing::internal::CaptureStderr();
    EXPECT_EQ(platform::OpenMidiInput(options, error), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(error.find("ALSA sequencer"), std::string::npos) << error;
  }
}

class JackPort : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!tJackServer::Installed()) return;
    server_ = std::make_unique<tJackServer>();
    if (!server_->Start()) server_.reset();
  }
  static void TearDownTestSuite() { server_.reset(); }
  void SetUp() override {
    if (!tJackServer::Installed()) GTEST_SKIP() << "jackd is not installed";
    ASSERT_NE(server_, nullptr) << "the JACK server did not start";
    platform::FlushInput();
  }
  void TearDown() override { platform::FlushInput(); }

  static std::unique_ptr<platform::MidiInput> Open(bool connect) {
    platform::MidiOptions options;
    options.system = platform::MidiSystem::kJack;
    options.connectHardware = connect;
    std::string error;
    auto input = platform::OpenMidiInput(options, error);
    EXPECT_NE(input, nullptr) << error;
    return input;
  }
  // Waits until the records expected have come (at most 5 s).
  static std::vector<std::string> Await(platform::MidiInput& input, size_t count) {
    std::vector<std::string> got;
    for (int i = 0; i < 500 && got.size() < count; ++i) {
      platform::tInputEvent e;
      platform::WaitInput(e, 10);
      for (const std::string& r : TakeAll(input)) got.push_back(r);
    }
    return got;
  }

  static inline std::unique_ptr<tJackServer> server_;
  static constexpr const char* kPort = "Brevora:Brevora";
};

TEST_F(JackPort, APortNamedBrevoraReceivesNotesAndControllers) {
  auto input = Open(false);
  ASSERT_NE(input, nullptr);
  tJackSender sender;
  ASSERT_TRUE(sender.Open("pad", false));
  ASSERT_TRUE(sender.WaitForPort(kPort, 5000));
  ASSERT_TRUE(sender.Connect(kPort));
  ASSERT_NE(sender.NoteOn(36, 10), 0u);
  ASSERT_NE(sender.Send(0xC0, 3, 0), 0u);  // a program change is not the desk's
  ASSERT_NE(sender.Send(0xB9, 64, 127), 0u);
  ASSERT_NE(sender.Send(0x99, 36, 0), 0u);
  EXPECT_EQ(Await(*input, 3),
            (std::vector<std::string>{"on 10 36 100", "cc 10 64 127", "off 10 36 0"}));
  EXPECT_EQ(input->Lost(), 0u);
}

TEST_F(JackPort, HardwareSourcesAreConnectedNowAndWhenTheyAppear) {
  tJackSender before, software;
  ASSERT_TRUE(before.Open("pad-before", true));
  ASSERT_TRUE(software.Open("sequencer", false));
  auto input = Open(true);
  ASSERT_NE(input, nullptr);
  EXPECT_TRUE(before.WaitConnected(kPort, 5000));
  tJackSender later;
  ASSERT_TRUE(later.Open("pad-later", true));
  EXPECT_TRUE(later.WaitConnected(kPort, 5000));
  // Only hardware: a program's port is for the user to connect.
  EXPECT_FALSE(software.WaitConnected(kPort, 300));
  ASSERT_NE(later.NoteOn(40), 0u);
  EXPECT_EQ(Await(*input, 1), (std::vector<std::string>{"on 1 40 100"}));

  // With the setting off nothing is connected.
  input.reset();
  tJackSender ignored;
  input = Open(false);
  ASSERT_NE(input, nullptr);
  ASSERT_TRUE(ignored.Open("pad-ignored", true));
  EXPECT_FALSE(ignored.WaitConnected(kPort, 500));
}

}  // namespace
