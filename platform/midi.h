#pragma once
// The MIDI input service: an input port named "Brevora" on the ALSA
// sequencer or on a JACK server, whose note and controller messages reach the
// desk as records of its own.
//
// The back end's thread never calls the desk. It turns each message into a
// MidiRecord, puts it into a fixed ring (no allocation, no lock) and wakes
// the main loop with WakeInputWait; the main thread takes the records with
// Take. By default every hardware MIDI source present when the port opens or
// appearing later is connected to the port; users connect anything else with
// their patchbay.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace platform {

struct MidiRecord {
  enum class Kind : uint8_t { kNoteOn, kNoteOff, kControl };
  Kind kind = Kind::kNoteOn;
  uint8_t channel = 1;  // MIDI channel 1 to 16
  uint8_t number = 0;   // note or controller, 0 to 127
  uint8_t value = 0;    // velocity or controller value, 0 to 127
};

// One complete MIDI message as bytes: note off, note on (a velocity of 0 is
// a note off) and control change give a record; every other message false.
bool ParseMidiMessage(const uint8_t* bytes, size_t count, MidiRecord& out);

enum class MidiSystem : uint8_t { kNone, kAlsa, kJack };
// "none", "alsa", "jack" (any case); false for anything else.
bool MidiSystemFromName(const std::string& name, MidiSystem& out);
const char* MidiSystemName(MidiSystem system);

class MidiInput {
 public:
  static constexpr uint32_t kCapacity = 1024;

  MidiInput() = default;
  MidiInput(const MidiInput&) = delete;
  MidiInput& operator=(const MidiInput&) = delete;
  virtual ~MidiInput() = default;

  // Main thread: the next record, without waiting; false when none waits.
  bool Take(MidiRecord& out);
  // Records that came while the ring was full and were dropped.
  uint32_t Lost() const { return m_Lost.load(std::memory_order_relaxed); }

 protected:
  // The one producing thread: queues a record and wakes the main loop.
  void Deliver(const MidiRecord& record);
  // The same for a message as the back end received it.
  void DeliverBytes(const uint8_t* bytes, size_t count);

 private:
  MidiRecord m_Ring[kCapacity];
  std::atomic<uint32_t> m_Head{0};  // written by the producer
  std::atomic<uint32_t> m_Tail{0};  // written by the main thread
  std::atomic<uint32_t> m_Lost{0};
};

struct MidiOptions {
  MidiSystem system = MidiSystem::kAlsa;
  // Connect every hardware source to the port, now and when one appears.
  bool connectHardware = true;
};

// Opens the port on the chosen system. Null when MIDI is off (kNone) or the
// system cannot start; then error says why (empty for kNone). The library's
// own complaints are kept off stderr: the caller says it once.
std::unique_ptr<MidiInput> OpenMidiInput(const MidiOptions& options, std::string& error);

// The test back end: what a test pushes arrives as if a port had received
// it, from the pushing thread, through the same ring and wake-up.
class TestMidiInput : public MidiInput {
 public:
  // Any thread; pushes from several threads are serialised.
  void Push(const MidiRecord& record);
  void PushBytes(const uint8_t* bytes, size_t count);
  // Convenience: a note on (velocity 100), a note off, a control change.
  void NoteOn(uint8_t note, uint8_t channel = 1, uint8_t velocity = 100);
  void NoteOff(uint8_t note, uint8_t channel = 1);
  void Control(uint8_t number, uint8_t value, uint8_t channel = 1);

 private:
  std::mutex m_PushLock;
};

}  // namespace platform
