// The MIDI input service: messages turned into records, and the ring between
// the back end's thread and the main loop with its wake-up. The real port on a
// JACK server is driven by the MIDI end-to-end check.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/input.h"
#include "platform/midi.h"
#include "tests/platform/golden_trace.h"

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
  const bool woken = platform::WaitInput(e, 5000);
  sender.join();
  ASSERT_TRUE(woken);
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

}  // namespace
