#include "platform/midi.h"

#include <RtMidi.h>
#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <set>
#include <thread>
#include <vector>

#include "platform/input.h"
#include "platform/trace.h"

namespace platform {

namespace {

constexpr const char* kPortName = "Brevora";
constexpr const char* kClientName = "Brevora";
// The desk's second client, which only makes connections.
constexpr const char* kConnectorName = "Brevora connections";

}  // namespace

// ------------------------------------------------------------- records

bool ParseMidiMessage(const uint8_t* bytes, size_t count, MidiRecord& out) {
  // Notes and controllers are three bytes: status, number, value.
  if (bytes == nullptr || count != 3 || bytes[1] > 127 || bytes[2] > 127) return false;
  MidiRecord record;
  record.channel = static_cast<uint8_t>((bytes[0] & 0x0F) + 1);
  record.number = bytes[1];
  record.value = bytes[2];
  switch (bytes[0] & 0xF0) {
    case 0x80:
      record.kind = MidiRecord::Kind::kNoteOff;
      break;
    case 0x90:
      record.kind = record.value > 0 ? MidiRecord::Kind::kNoteOn : MidiRecord::Kind::kNoteOff;
      break;
    case 0xB0:
      record.kind = MidiRecord::Kind::kControl;
      break;
    default:
      return false;
  }
  out = record;
  return true;
}

bool MidiSystemFromName(const std::string& name, MidiSystem& out) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "none")
    out = MidiSystem::kNone;
  else if (lower == "alsa")
    out = MidiSystem::kAlsa;
  else if (lower == "jack")
    out = MidiSystem::kJack;
  else
    return false;
  return true;
}

const char* MidiSystemName(MidiSystem system) {
  switch (system) {
    case MidiSystem::kAlsa:
      return "alsa";
    case MidiSystem::kJack:
      return "jack";
    case MidiSystem::kNone:
      break;
  }
  return "none";
}

// ---------------------------------------------------------------- ring

bool MidiInput::Take(MidiRecord& out) {
  const uint32_t tail = m_Tail.load(std::memory_order_relaxed);
  if (tail == m_Head.load(std::memory_order_acquire)) return false;
  out = m_Ring[tail % kCapacity];
  m_Tail.store(tail + 1, std::memory_order_release);
  return true;
}

void MidiInput::Deliver(const MidiRecord& record) {
  const uint32_t head = m_Head.load(std::memory_order_relaxed);
  if (head - m_Tail.load(std::memory_order_acquire) >= kCapacity) {
    m_Lost.fetch_add(1, std::memory_order_relaxed);
  } else {
    m_Ring[head % kCapacity] = record;
    m_Head.store(head + 1, std::memory_order_release);
  }
  // Also when the record was dropped: the main loop takes what waits.
  WakeInputWait();
}

void MidiInput::DeliverBytes(const uint8_t* bytes, size_t count) {
  MidiRecord record;
  if (ParseMidiMessage(bytes, count, record)) Deliver(record);
}

// ---------------------------------------------------------- test input

void TestMidiInput::Push(const MidiRecord& record) {
  std::lock_guard<std::mutex> lock(m_PushLock);
  Deliver(record);
}

void TestMidiInput::PushBytes(const uint8_t* bytes, size_t count) {
  std::lock_guard<std::mutex> lock(m_PushLock);
  DeliverBytes(bytes, count);
}

void TestMidiInput::NoteOn(uint8_t note, uint8_t channel, uint8_t velocity) {
  const uint8_t bytes[3] = {static_cast<uint8_t>(0x90 | ((channel - 1) & 0x0F)), note, velocity};
  PushBytes(bytes, 3);
}

void TestMidiInput::NoteOff(uint8_t note, uint8_t channel) {
  const uint8_t bytes[3] = {static_cast<uint8_t>(0x80 | ((channel - 1) & 0x0F)), note, 64};
  PushBytes(bytes, 3);
}

void TestMidiInput::Control(uint8_t number, uint8_t value, uint8_t channel) {
  const uint8_t bytes[3] = {static_cast<uint8_t>(0xB0 | ((channel - 1) & 0x0F)), number, value};
  PushBytes(bytes, 3);
}

// ------------------------------------------------------ the connectors

namespace {

// A client of the desk's own on the MIDI system. It proves the system is
// there before RtMidi is asked (whose failures print to stderr), finds the
// port RtMidi opened, and connects the hardware sources to it: those present
// now, and on a thread of its own those that appear later.
class Connector {
 public:
  Connector() : m_StopFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  Connector(const Connector&) = delete;
  Connector& operator=(const Connector&) = delete;
  virtual ~Connector() {
    if (m_StopFd >= 0) close(m_StopFd);
  }

  // False (with the reason) when the system cannot be reached.
  virtual bool Open(std::string& error) = 0;
  // The ports that could be the desk's (its client and port names) before
  // RtMidi opens its port; FindOwnPort then takes the new one.
  virtual std::set<std::string> Candidates() = 0;
  virtual bool FindOwnPort(const std::set<std::string>& before) = 0;
  // Connects the sources present now and watches for new ones.
  void Start() {
    ConnectAll();
    if (m_StopFd >= 0) m_Thread = std::thread([this] { Watch(); });
  }

 protected:
  virtual void ConnectAll() = 0;
  virtual void Watch() = 0;
  // Ends the watch; every derived destructor calls it first.
  void StopWatching() {
    if (!m_Thread.joinable()) return;
    const uint64_t one = 1;
    if (write(m_StopFd, &one, sizeof one) < 0) Trace("MIDI: the watch cannot be stopped\n");
    m_Thread.join();
  }

  int m_StopFd;
  std::thread m_Thread;
};

// ---- the ALSA sequencer ----

void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

class AlsaConnector final : public Connector {
 public:
  ~AlsaConnector() override {
    StopWatching();
    if (m_Seq != nullptr) snd_seq_close(m_Seq);
  }

  bool Open(std::string& error) override {
    // alsa-lib prints its own complaint about a missing sequencer device.
    snd_lib_error_set_handler(&SilentAlsaError);
    const int rc = snd_seq_open(&m_Seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
    snd_lib_error_set_handler(nullptr);
    if (rc < 0) {
      m_Seq = nullptr;
      error = std::string("the ALSA sequencer cannot be opened (") + snd_strerror(rc) + ")";
      return false;
    }
    snd_seq_set_client_name(m_Seq, kConnectorName);
    m_Self = snd_seq_client_id(m_Seq);
    return true;
  }

  std::set<std::string> Candidates() override {
    std::set<std::string> found;
    ForEachPort([&](snd_seq_client_info_t* client, snd_seq_port_info_t* port) {
      if (IsDeskPort(client, port)) found.insert(AddressText(port));
    });
    return found;
  }

  bool FindOwnPort(const std::set<std::string>& before) override {
    bool found = false;
    ForEachPort([&](snd_seq_client_info_t* client, snd_seq_port_info_t* port) {
      if (found || !IsDeskPort(client, port) || before.count(AddressText(port)) != 0) return;
      const int pid = snd_seq_client_info_get_pid(client);
      if (pid > 0 && pid != getpid()) return;
      m_Target = *snd_seq_port_info_get_addr(port);
      found = true;
    });
    return found;
  }

 protected:
  void ConnectAll() override {
    ForEachPort([&](snd_seq_client_info_t*, snd_seq_port_info_t* port) {
      ConnectIfHardware(*snd_seq_port_info_get_addr(port));
    });
  }

  void Watch() override {
    // New ports are announced on the system's announce port.
    const int port = snd_seq_create_simple_port(
        m_Seq, "announcements",
        SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
        SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0 || snd_seq_connect_from(m_Seq, port, SND_SEQ_CLIENT_SYSTEM,
                                         SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0) {
      Trace("MIDI: new ALSA ports cannot be watched\n");
      return;
    }
    const int count = snd_seq_poll_descriptors_count(m_Seq, POLLIN);
    std::vector<pollfd> fds(static_cast<size_t>(1 + std::max(count, 0)));
    fds[0] = pollfd{m_StopFd, POLLIN, 0};
    snd_seq_poll_descriptors(m_Seq, fds.data() + 1, static_cast<unsigned>(count), POLLIN);
    for (;;) {
      if (poll(fds.data(), fds.size(), -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[0].revents != 0) return;
      snd_seq_event_t* event = nullptr;
      int rc;
      while ((rc = snd_seq_event_input(m_Seq, &event)) >= 0 || rc == -ENOSPC) {
        if (rc >= 0 && event != nullptr && event->type == SND_SEQ_EVENT_PORT_START)
          ConnectIfHardware(event->data.addr);
      }
    }
  }

 private:
  template <class F>
  void ForEachPort(F visit) {
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(m_Seq, client) >= 0) {
      snd_seq_port_info_set_client(port, snd_seq_client_info_get_client(client));
      snd_seq_port_info_set_port(port, -1);
      while (snd_seq_query_next_port(m_Seq, port) >= 0) visit(client, port);
    }
  }

  static bool IsDeskPort(snd_seq_client_info_t* client, snd_seq_port_info_t* port) {
    const unsigned caps = snd_seq_port_info_get_capability(port);
    return std::string(snd_seq_client_info_get_name(client)) == kClientName &&
           std::string(snd_seq_port_info_get_name(port)) == kPortName &&
           (caps & SND_SEQ_PORT_CAP_SUBS_WRITE) != 0;
  }

  static std::string AddressText(snd_seq_port_info_t* port) {
    const snd_seq_addr_t* a = snd_seq_port_info_get_addr(port);
    return std::to_string(a->client) + ":" + std::to_string(a->port);
  }

  // A hardware port others may read from: a keyboard, a pad, an interface.
  void ConnectIfHardware(const snd_seq_addr_t& source) {
    if (source.client == m_Self || source.client == SND_SEQ_CLIENT_SYSTEM ||
        source.client == m_Target.client)
      return;
    snd_seq_port_info_t* info;
    snd_seq_port_info_alloca(&info);
    if (snd_seq_get_any_port_info(m_Seq, source.client, source.port, info) < 0) return;
    const unsigned caps = snd_seq_port_info_get_capability(info);
    const unsigned readable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
    if ((caps & readable) != readable || (caps & SND_SEQ_PORT_CAP_NO_EXPORT) != 0 ||
        (snd_seq_port_info_get_type(info) & SND_SEQ_PORT_TYPE_HARDWARE) == 0)
      return;
    snd_seq_port_subscribe_t* subscription;
    snd_seq_port_subscribe_alloca(&subscription);
    snd_seq_port_subscribe_set_sender(subscription, &source);
    snd_seq_port_subscribe_set_dest(subscription, &m_Target);
    const int rc = snd_seq_subscribe_port(m_Seq, subscription);
    if (rc == 0)
      Trace("MIDI: %s (%d:%d) connected\n", snd_seq_port_info_get_name(info), source.client,
            source.port);
    else if (rc != -EBUSY)
      Trace("MIDI: %s cannot be connected (%s)\n", snd_seq_port_info_get_name(info),
            snd_strerror(rc));
  }

  snd_seq_t* m_Seq = nullptr;
  int m_Self = -1;
  snd_seq_addr_t m_Target{};
};

// ---- JACK ----

void SilentJack(const char*) {}

class JackConnector final : public Connector {
 public:
  JackConnector() : m_RescanFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~JackConnector() override {
    StopWatching();
    if (m_Client != nullptr) jack_client_close(m_Client);
    if (m_RescanFd >= 0) close(m_RescanFd);
  }

  bool Open(std::string& error) override {
    // libjack prints its attempts to reach a server; the desk says it once.
    jack_set_error_function(&SilentJack);
    jack_set_info_function(&SilentJack);
    jack_status_t status{};
    m_Client = jack_client_open(kConnectorName, JackNoStartServer, &status);
    if (m_Client == nullptr) {
      error = "no JACK server is running";
      return false;
    }
    // JACK's notification thread may not call the server: a new port only
    // wakes the watch, which connects.
    if (m_RescanFd < 0 ||
        jack_set_port_registration_callback(m_Client, &OnPortRegistration, this) != 0 ||
        jack_activate(m_Client) != 0)
      Trace("MIDI: new JACK ports cannot be watched\n");
    return true;
  }

  std::set<std::string> Candidates() override {
    std::set<std::string> found;
    const char** ports =
        jack_get_ports(m_Client, "^Brevora.*:Brevora$", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput);
    for (size_t i = 0; ports != nullptr && ports[i] != nullptr; ++i) found.insert(ports[i]);
    jack_free(static_cast<void*>(ports));
    return found;
  }

  bool FindOwnPort(const std::set<std::string>& before) override {
    for (const std::string& name : Candidates()) {
      if (before.count(name) != 0) continue;
      m_Target = name;
      return true;
    }
    return false;
  }

 protected:
  void ConnectAll() override {
    const char** ports = jack_get_ports(m_Client, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                        JackPortIsOutput | JackPortIsPhysical);
    for (size_t i = 0; ports != nullptr && ports[i] != nullptr; ++i) {
      const int rc = jack_connect(m_Client, ports[i], m_Target.c_str());
      if (rc == 0)
        Trace("MIDI: %s connected\n", ports[i]);
      else if (rc != EEXIST)
        Trace("MIDI: %s cannot be connected (%d)\n", ports[i], rc);
    }
    jack_free(static_cast<void*>(ports));
  }

  void Watch() override {
    pollfd fds[2] = {{m_StopFd, POLLIN, 0}, {m_RescanFd, POLLIN, 0}};
    for (;;) {
      if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (fds[0].revents != 0) break;
      uint64_t count = 0;
      if (read(m_RescanFd, &count, sizeof count) > 0) ConnectAll();
    }
  }

 private:
  static void OnPortRegistration(jack_port_id_t, int registered, void* self) {
    if (registered == 0) return;
    const uint64_t one = 1;
    if (write(static_cast<JackConnector*>(self)->m_RescanFd, &one, sizeof one) < 0) {
      // The counter is already set: a rescan is on its way.
    }
  }

  jack_client_t* m_Client = nullptr;
  int m_RescanFd;
  std::string m_Target;
};

// ------------------------------------------------------ the RtMidi port

class RtMidiInput final : public MidiInput {
 public:
  ~RtMidiInput() override {
    // The connector's thread first, then RtMidi's, before the ring goes.
    m_pConnector.reset();
    m_pIn.reset();
  }

  bool Open(const MidiOptions& options, std::string& error) {
    std::unique_ptr<Connector> connector;
    if (options.system == MidiSystem::kJack)
      connector = std::make_unique<JackConnector>();
    else
      connector = std::make_unique<AlsaConnector>();
    if (!connector->Open(error)) return false;
    const std::set<std::string> before = connector->Candidates();
    const RtMidi::Api api =
        options.system == MidiSystem::kJack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA;
    try {
      m_pIn = std::make_unique<RtMidiIn>(api, kClientName);
      m_pIn->setErrorCallback(&OnError, this);
      m_pIn->ignoreTypes(true, true, true);
      m_pIn->setCallback(&OnMessage, this);
      m_pIn->openVirtualPort(kPortName);
    } catch (const RtMidiError& e) {
      m_OpenError = e.getMessage();
    }
    m_Opened = true;
    if (!m_OpenError.empty()) {
      error = m_OpenError;
      m_pIn.reset();
      return false;
    }
    if (!options.connectHardware) return true;
    if (!connector->FindOwnPort(before)) {
      Trace("MIDI: the desk's port was not found; hardware sources are not connected\n");
      return true;
    }
    connector->Start();
    m_pConnector = std::move(connector);
    return true;
  }

 private:
  // RtMidi's thread (ALSA's input thread, JACK's process thread).
  static void OnMessage(double, std::vector<unsigned char>* message, void* self) {
    if (message == nullptr) return;
    static_cast<RtMidiInput*>(self)->DeliverBytes(message->data(), message->size());
  }

  static void OnError(RtMidiError::Type type, const std::string& text, void* self) {
    auto* input = static_cast<RtMidiInput*>(self);
    const bool fatal = type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING;
    // While the port opens, a failure ends the attempt; later ones are traced.
    if (!input->m_Opened.load() && fatal && input->m_OpenError.empty())
      input->m_OpenError = text;
    else
      Trace("MIDI: %s\n", text.c_str());
  }

  std::unique_ptr<RtMidiIn> m_pIn;
  std::unique_ptr<Connector> m_pConnector;
  std::atomic<bool> m_Opened{false};
  std::string m_OpenError;
};

}  // namespace

std::unique_ptr<MidiInput> OpenMidiInput(const MidiOptions& options, std::string& error) {
  error.clear();
  if (options.system == MidiSystem::kNone) return nullptr;
  auto input = std::make_unique<RtMidiInput>();
  if (!input->Open(options, error)) return nullptr;
  return input;
}

}  // namespace platform
