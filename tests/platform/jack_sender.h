#pragma once
// A JACK client that sends MIDI: one output port, one message per process
// cycle, each written at the start of the cycle's buffer. Send waits until
// the cycle has written the message and answers the monotonic time of that
// moment. With physical set the port is marked as hardware, as bridges of
// MIDI devices mark theirs. Used by the end-to-end check and the latency
// probe; they start the JACK server themselves.
#include <jack/jack.h>
#include <jack/midiport.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <string>

class tJackSender {
 public:
  tJackSender() = default;
  tJackSender(const tJackSender&) = delete;
  tJackSender& operator=(const tJackSender&) = delete;
  ~tJackSender() {
    if (m_Client != nullptr) jack_client_close(m_Client);
  }

  bool Open(const char* name, bool physical) {
    jack_status_t status{};
    m_Client = jack_client_open(name, JackNoStartServer, &status);
    if (m_Client == nullptr) return false;
    const unsigned long flags =
        JackPortIsOutput | (physical ? JackPortIsPhysical | JackPortIsTerminal : 0);
    m_Port = jack_port_register(m_Client, "out", JACK_DEFAULT_MIDI_TYPE, flags, 0);
    if (m_Port == nullptr || jack_set_process_callback(m_Client, &Process, this) != 0 ||
        jack_activate(m_Client) != 0)
      return false;
    return true;
  }

  std::string PortName() const { return m_Port != nullptr ? jack_port_name(m_Port) : ""; }

  // Waits up to timeoutMs for the port dest to exist.
  bool WaitForPort(const std::string& dest, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
      if (jack_port_by_name(m_Client, dest.c_str()) != nullptr) return true;
      usleep(20000);
    }
    return false;
  }
  // A connection is in the server's table at once but in the graph its
  // cycles run only after a reorder a little later: both calls return once
  // the connection is in the table and some cycles have passed since, so
  // that the next message reaches dest.
  bool Connect(const std::string& dest) {
    const int rc = jack_connect(m_Client, PortName().c_str(), dest.c_str());
    if (rc != 0 && rc != EEXIST) return false;
    return WaitCycles(kSettleCycles);
  }
  // Waits up to timeoutMs until the port is connected to dest (by anyone).
  bool WaitConnected(const std::string& dest, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
      if (jack_port_connected_to(m_Port, dest.c_str()) != 0) return WaitCycles(kSettleCycles);
      usleep(20000);
    }
    return false;
  }

  // The time the message was written, 0 when no cycle took it in time.
  uint64_t Send(uint8_t status, uint8_t number, uint8_t value, int timeoutMs = 2000) {
    m_Bytes[0] = status;
    m_Bytes[1] = number;
    m_Bytes[2] = value;
    m_SentNs.store(0);
    m_Pending.store(true, std::memory_order_release);
    for (int waited = 0; waited <= timeoutMs * 10; ++waited) {
      if (!m_Pending.load(std::memory_order_acquire)) return m_SentNs.load();
      usleep(100);
    }
    m_Pending.store(false);
    return 0;
  }
  uint64_t NoteOn(uint8_t note, uint8_t channel = 1) {
    return Send(static_cast<uint8_t>(0x90 | (channel - 1)), note, 100);
  }
  uint64_t NoteOff(uint8_t note, uint8_t channel = 1) {
    return Send(static_cast<uint8_t>(0x80 | (channel - 1)), note, 0);
  }

  static uint64_t NowNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
  }

 private:
  static constexpr uint32_t kSettleCycles = 8;

  // Waits until count more cycles have run (at most 2 s).
  bool WaitCycles(uint32_t count) {
    const uint32_t start = m_Cycles.load();
    for (int waited = 0; waited < 2000; ++waited) {
      if (m_Cycles.load() - start >= count) return true;
      usleep(1000);
    }
    return false;
  }

  static int Process(jack_nframes_t frames, void* arg) {
    auto* self = static_cast<tJackSender*>(arg);
    self->m_Cycles.fetch_add(1, std::memory_order_relaxed);
    void* buffer = jack_port_get_buffer(self->m_Port, frames);
    jack_midi_clear_buffer(buffer);
    if (self->m_Pending.load(std::memory_order_acquire)) {
      if (jack_midi_event_write(buffer, 0, self->m_Bytes, 3) == 0) self->m_SentNs.store(NowNs());
      self->m_Pending.store(false, std::memory_order_release);
    }
    return 0;
  }

  jack_client_t* m_Client = nullptr;
  jack_port_t* m_Port = nullptr;
  jack_midi_data_t m_Bytes[3] = {0, 0, 0};
  std::atomic<bool> m_Pending{false};
  std::atomic<uint64_t> m_SentNs{0};
  std::atomic<uint32_t> m_Cycles{0};
};
