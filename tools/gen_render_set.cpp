// gen_render_set: writes a small set of recorded mixes with their channel
// files and short waves, the input of the renderer's byte-for-byte check.
//
//   gen_render_set OUTPUT_DIR
//
// OUTPUT_DIR must be an absolute host path. The mixes and channel files are
// written as the desk saves them: CR LF lines, the full header, the 48
// events every recording starts with, absolute desk paths on drive Z: (the
// host root). The waves are synthesised with integer arithmetic only, so
// every build on every machine writes the same bytes; their formats vary
// (8, 16 and 24-bit integer and 32-bit float, mono and stereo, 11025 to
// 48000 Hz) so that the renderer's conversions all take part.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace {

// ------------------------------------------------------------------ waves

struct Wave {
  uint32_t rate = 22050;
  uint16_t bits = 16;  // 8, 16, 24, or 32 (float)
  uint16_t channels = 1;
  std::vector<int32_t> samples;  // interleaved, 16-bit range
};

int32_t Clamp16(int64_t v) {
  return v < -32768 ? -32768 : (v > 32767 ? 32767 : static_cast<int32_t>(v));
}

// Phase steps of a 32-bit phase accumulator: frequency in milli-hertz.
uint32_t Step(uint64_t milliHz, uint32_t rate) {
  return static_cast<uint32_t>((milliHz << 32) / (uint64_t{rate} * 1000u));
}

int32_t Saw(uint32_t phase) {
  return static_cast<int32_t>(phase >> 16) - 32768;
}
int32_t Square(uint32_t phase) {
  return phase < 0x80000000u ? 20000 : -20000;
}
int32_t Triangle(uint32_t phase) {
  const int32_t p = static_cast<int32_t>(phase >> 15);  // 0 .. 131071
  return p < 65536 ? p - 32768 : 98303 - p;
}

class Noise {
 public:
  explicit Noise(uint32_t seed) : m_State(seed * 2654435761u + 12345u) {}
  int32_t Next() {
    m_State ^= m_State << 13;
    m_State ^= m_State >> 17;
    m_State ^= m_State << 5;
    return static_cast<int32_t>(m_State >> 16) - 32768;
  }

 private:
  uint32_t m_State;
};

// A gain in 1/65536 that decays by factor/65536 per frame after an attack of
// attack frames.
class Envelope {
 public:
  Envelope(uint32_t attack, uint32_t factor) : m_Attack(attack), m_Factor(factor) {}
  int64_t Next() {
    int64_t g;
    if (m_Frame < m_Attack) {
      g = (int64_t{65536} * m_Frame) / m_Attack;
    } else {
      g = m_Gain;
      m_Gain = (m_Gain * m_Factor) >> 16;
    }
    ++m_Frame;
    return g;
  }

 private:
  uint32_t m_Attack, m_Factor;
  uint32_t m_Frame = 0;
  int64_t m_Gain = 65536;
};

Wave Kick() {
  Wave w{22050, 16, 1, {}};
  uint32_t phase = 0, step = Step(160000, w.rate);
  const uint32_t lowest = Step(45000, w.rate);
  Envelope env(20, 65400);
  for (uint32_t i = 0; i < 7700; ++i) {
    w.samples.push_back(Clamp16((Triangle(phase) * env.Next()) >> 16));
    phase += step;
    if (step > lowest) step = static_cast<uint32_t>((uint64_t{step} * 65470) >> 16);
  }
  return w;
}

Wave Snare() {
  Wave w{44100, 8, 1, {}};
  Noise noise(7);
  uint32_t phase = 0;
  const uint32_t step = Step(190000, w.rate);
  Envelope env(40, 65300);
  for (uint32_t i = 0; i < 11025; ++i) {
    const int64_t g = env.Next();
    w.samples.push_back(Clamp16(((noise.Next() * 3 / 4 + Triangle(phase) / 3) * g) >> 16));
    phase += step;
  }
  return w;
}

Wave Hats() {
  Wave w{48000, 16, 2, {}};
  Noise left(11), right(12);
  Envelope env(10, 64900);
  int32_t lastL = 0, lastR = 0;
  for (uint32_t i = 0; i < 3840; ++i) {
    const int64_t g = env.Next();
    // A first difference leans the noise towards the highs.
    const int32_t l = left.Next(), r = right.Next();
    w.samples.push_back(Clamp16(((l - lastL) / 2 * g) >> 16));
    w.samples.push_back(Clamp16(((r - lastR) / 2 * g) >> 16));
    lastL = l;
    lastR = r;
  }
  return w;
}

Wave Bass() {
  Wave w{32000, 16, 1, {}};
  uint32_t phase = 0;
  const uint32_t step = Step(55000, w.rate);
  Envelope env(200, 65534);
  for (uint32_t i = 0; i < 38400; ++i) {
    w.samples.push_back(Clamp16((Saw(phase) * 3 / 4 * env.Next()) >> 16));
    phase += step;
  }
  return w;
}

Wave Pad() {
  Wave w{44100, 16, 2, {}};
  uint32_t a = 0, b = 0, c = 0;
  const uint32_t sa = Step(220000, w.rate), sb = Step(221300, w.rate), sc = Step(329600, w.rate);
  for (uint32_t i = 0; i < 110250; ++i) {
    // A slow swell and a slow fade, both linear.
    const int64_t g = i < 30000 ? i * 2 : (i > 80250 ? (110250 - i) * 2 : 60000);
    w.samples.push_back(Clamp16(((Triangle(a) / 2 + Triangle(c) / 3) * g) >> 16));
    w.samples.push_back(Clamp16(((Triangle(b) / 2 + Triangle(c) / 3) * g) >> 16));
    a += sa;
    b += sb;
    c += sc;
  }
  return w;
}

Wave Lead() {
  Wave w{11025, 8, 2, {}};
  uint32_t phase = 0, vibrato = 0;
  const uint32_t vibratoStep = Step(5500, w.rate);
  Envelope env(100, 65500);
  for (uint32_t i = 0; i < 6615; ++i) {
    const int64_t g = env.Next();
    const int32_t s = static_cast<int32_t>((Square(phase) * g) >> 16);
    w.samples.push_back(Clamp16(s));
    w.samples.push_back(Clamp16(s / 2));
    // 440 Hz give or take a little, in milli-hertz.
    phase += Step(440000 + static_cast<uint64_t>(Triangle(vibrato) + 32768) / 8, w.rate);
    vibrato += vibratoStep;
  }
  return w;
}

Wave Stab() {
  Wave w{22050, 8, 2, {}};
  uint32_t a = 0, b = 0, c = 0;
  const uint32_t sa = Step(261600, w.rate), sb = Step(329600, w.rate), sc = Step(392000, w.rate);
  Envelope env(30, 65450);
  for (uint32_t i = 0; i < 9000; ++i) {
    const int64_t g = env.Next();
    w.samples.push_back(Clamp16(((Saw(a) / 3 + Saw(b) / 3) * g) >> 16));
    w.samples.push_back(Clamp16(((Saw(b) / 3 + Saw(c) / 3) * g) >> 16));
    a += sa;
    b += sb;
    c += sc;
  }
  return w;
}

Wave Riser() {
  Wave w{22050, 24, 1, {}};
  uint32_t phase = 0;
  for (uint32_t i = 0; i < 22050; ++i) {
    const int64_t g = i * 3;
    w.samples.push_back(Clamp16((Saw(phase) * g) >> 16));
    phase += Step(200000 + uint64_t{i} * 40, w.rate);
  }
  return w;
}

Wave Zap() {
  Wave w{44100, 32, 2, {}};
  uint32_t phase = 0, step = Step(2000000, w.rate);
  Envelope env(5, 65480);
  for (uint32_t i = 0; i < 17640; ++i) {
    const int64_t g = env.Next();
    w.samples.push_back(Clamp16((Square(phase) * g) >> 16));
    w.samples.push_back(Clamp16((Triangle(phase) * g) >> 16));
    phase += step;
    step = static_cast<uint32_t>((uint64_t{step} * 65520) >> 16);
  }
  return w;
}

Wave Texture() {
  Wave w{44100, 16, 1, {}};
  Noise noise(99);
  uint32_t phase = 0;
  const uint32_t step = Step(110000, w.rate);
  int64_t smooth = 0;
  for (uint32_t i = 0; i < 132300; ++i) {
    smooth += (noise.Next() - smooth) / 16;  // a one-pole low pass
    w.samples.push_back(Clamp16(smooth * 2 + Saw(phase) / 8));
    phase += step;
  }
  return w;
}

void Put(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string WaveFile(const Wave& w) {
  const bool isFloat = w.bits == 32;
  const uint16_t align = static_cast<uint16_t>(w.channels * w.bits / 8);
  const uint32_t dataBytes = static_cast<uint32_t>(w.samples.size()) * (w.bits / 8);
  std::string out = "RIFF";
  Put(out, 4 + 26 + 8 + dataBytes, 4);
  out += "WAVEfmt ";
  Put(out, 18, 4);
  Put(out, isFloat ? 3 : 1, 2);
  Put(out, w.channels, 2);
  Put(out, w.rate, 4);
  Put(out, w.rate * align, 4);
  Put(out, align, 2);
  Put(out, w.bits, 2);
  Put(out, 0, 2);
  out += "data";
  Put(out, dataBytes, 4);
  for (int32_t s : w.samples) {
    switch (w.bits) {
      case 8:
        Put(out, static_cast<uint32_t>((s >> 8) + 128), 1);
        break;
      case 16:
        Put(out, static_cast<uint32_t>(s), 2);
        break;
      case 24:
        // The low byte carries a pattern the reader drops.
        Put(out, (static_cast<uint32_t>(s) << 8) | 0x5A, 3);
        break;
      default: {
        const float f = static_cast<float>(s) / 32768.0f;
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        Put(out, bits, 4);
        break;
      }
    }
  }
  return out;
}

// --------------------------------------------------------- channels, mixes

struct Channel {
  std::string name;  // the channel file's name without ".chn"
  std::string snd, sfx;
  double quantize = 1, loop = 1, delay = 0;
  int volume = 80, balance = 0;
  double pitch = 0;
  std::string label;  // the channel file's disk label as the mix stores it
};

struct Event {
  uint32_t ms;
  int channel;
  const char* kind;
  int value;
};

struct Mix {
  std::string name;
  int tempo;
  int length;  // whole seconds, as the time display stored it
  std::map<int, Channel> channels;
  std::vector<Event> events;  // after the 48 that open every recording
};

std::string DeskPath(const std::string& host) {
  std::string path = "Z:" + host;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
}

// Beats as "%3.3f" and the pitch as "%4.1f", as the desk writes them.
std::string Beats(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%3.3f", value);
  return buffer;
}
std::string PitchText(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%4.1f", value);
  return buffer;
}

std::string ChannelFile(const Channel& c, const std::string& waveDir) {
  auto line = [](const std::string& key, const std::string& value) {
    return key + "=" + value + "\r\n";
  };
  const std::string snd = c.snd.empty() ? "" : DeskPath(waveDir + "/" + c.snd + ".wav");
  const std::string sfx = c.sfx.empty() ? "" : DeskPath(waveDir + "/" + c.sfx + ".wav");
  return "[Brevora Channel]\r\n" + line("Version", "3") + line("Quantize", Beats(c.quantize)) +
         line("Loop", Beats(c.loop)) + line("Delay", Beats(c.delay)) +
         line("Volume", std::to_string(c.volume)) + line("Balance", std::to_string(c.balance)) +
         line("Pitch", PitchText(c.pitch)) + line("Snd_Label", "") + line("Snd_SerNum", "0") +
         line("Snd", snd) + line("SFx_Label", "") + line("SFx_SerNum", "0") + line("SFx", sfx) +
         line("Author", "User");
}

std::string EventLine(uint32_t ms, int channel, const char* kind, int value) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "Time %08lu Channel %d %s %d\r\n",
                static_cast<unsigned long>(ms), channel, kind, value);
  return buffer;
}

std::string MixFile(const Mix& mix, const std::string& setDir) {
  std::string text =
      "[Brevora Mix]\r\nAuthor=User\r\nVersion=3\r\nBPM=" + std::to_string(mix.tempo) +
      "\r\nLength=" + std::to_string(mix.length) + "\r\n";
  for (int i = 0; i < 16; ++i) {
    char n[4];
    std::snprintf(n, sizeof n, "%02d", i + 1);
    auto it = mix.channels.find(i);
    const bool loaded = it != mix.channels.end();
    text += std::string("Label_") + n + "=" + (loaded ? it->second.label : "") + "\r\n";
    text += std::string("SerNum_") + n + "=\r\n";
    text += std::string("Sample_") + n + "=" +
            (loaded ? DeskPath(setDir + "/" + it->second.name + ".chn") : "") + "\r\n";
  }
  // A recording opens with every channel's volume, balance and pitch at 0.
  for (int i = 0; i < 16; ++i) {
    auto it = mix.channels.find(i);
    const Channel reset;
    const Channel& c = it != mix.channels.end() ? it->second : reset;
    const int volume = c.volume < 0 ? 0 : (c.volume > 100 ? 100 : c.volume);
    text += EventLine(0, i, "Volume", it != mix.channels.end() ? volume : 80);
    text += EventLine(0, i, "Balance", c.balance);
    text += EventLine(0, i, "Pitch", static_cast<int>(c.pitch * 10.0));
  }
  for (const Event& e : mix.events) text += EventLine(e.ms, e.channel, e.kind, e.value);
  return text;
}

// Sixteen Pitch events, as a pitch key records them.
std::vector<Event> PitchRound(uint32_t ms, const std::map<int, int>& tenths) {
  std::vector<Event> events;
  for (int i = 0; i < 16; ++i) {
    auto it = tenths.find(i);
    events.push_back({ms, i, "Pitch", it != tenths.end() ? it->second : 0});
  }
  return events;
}

std::vector<Event> Join(std::initializer_list<std::vector<Event>> parts) {
  std::vector<Event> events;
  for (const auto& part : parts) events.insert(events.end(), part.begin(), part.end());
  return events;
}

// A crowd: all sixteen channels, free and quantized starts, events that
// share a time or fall inside one tick, extreme volume and balance.
Mix Crowd() {
  Mix crowd{"crowd", 120, 4, {}, {}};
  const char* waves[8] = {"kick", "snare", "hats", "bass", "stab", "lead", "texture", "zap"};
  const double quantize[4] = {0, 0.25, 1, 0.5};
  for (int i = 0; i < 16; ++i) {
    Channel c{"crowd" + std::to_string(i + 1),
              waves[i % 8],
              "",
              quantize[i % 4],
              1,
              0,
              100,
              (i % 5 - 2) * 50,
              0,
              i % 3 == 0 ? "A" : "b"};
    if (i == 6) c.loop = 2;
    crowd.channels[i] = c;
  }
  for (int i = 0; i < 16; ++i) {
    crowd.events.push_back({static_cast<uint32_t>(50 + i * 97), i, "Play", 0});
    if (i % 4 == 1) crowd.events.push_back({static_cast<uint32_t>(50 + i * 97), i, "Volume", 0});
  }
  crowd.events.insert(crowd.events.end(), {{2000, 1, "Volume", 100},
                                           {2000, 5, "Volume", 100},
                                           {2003, 9, "Volume", 100},
                                           {2007, 13, "Balance", 100},
                                           {2500, 2, "Balance", -100},
                                           {2900, 3, "Stop", 1},
                                           {2905, 4, "Stop", 0},
                                           {3000, 0, "Stop", 0},
                                           {3001, 8, "Stop", 1},
                                           {3400, 15, "Stop", 0},
                                           {4150, 0, "EndMix", 0}});
  return crowd;
}

// The recorded mixes: name, tempo, stored length, channels and the events
// after the 48 that open every recording.
std::vector<Mix> Mixes() {
  return {
      // A groove: grid starts, late and early presses, volume and balance
      // moves, a ring-out and a cut.
      {"groove",
       130,
       6,
       {{0, {"drums", "kick", "", 1, 1, 0, 90, 0, 0, "BEATS"}},
        {1, {"hats", "hats", "", 0.5, 0.5, 0.25, 60, 30, 0, "beats"}},
        {2, {"bass", "bass", "", 1, 2, 0, 85, -10, 0, "LOW"}},
        {5, {"pad", "pad", "", 4, 4, 0, 50, 0, 0, ""}}},
       {{120, 0, "Play", 0},
        {1850, 2, "Play", 0},
        {1960, 1, "Play", 0},
        {2500, 5, "Play", 0},
        {3000, 1, "Volume", 62},
        {3033, 1, "Volume", 64},
        {3066, 1, "Volume", 66},
        {3500, 1, "Balance", 25},
        {3533, 1, "Balance", 20},
        {4400, 1, "Stop", 1},
        {5000, 2, "Stop", 0},
        {5600, 0, "Stop", 1},
        {5900, 5, "Stop", 0},
        {6300, 0, "EndMix", 0}}},
      // Effects: a latched lead, effect sounds switched in and out with Tab,
      // a suspension with Ctrl and its resumption.
      {"effects",
       96,
       6,
       {{0, {"lead", "lead", "zap", 1, 1, 0, 80, -20, 0, "FX"}},
        {3, {"chords", "stab", "riser", 2, 2, 0.5, 70, 15, 0, "FX"}},
        {7, {"kick", "kick", "", 1, 1, 0, 100, 0, 0, "DRUMS"}}},
       {{15, 7, "Play", 0},
        {700, 0, "Play", 0},
        {1900, 3, "Fx", 1},
        {1900, 3, "Play", 0},
        {3100, 3, "Fx", 0},
        {3800, 0, "Stop", 0},
        {4600, 0, "Play", 0},
        {4610, 0, "Fx", 1},
        {5200, 3, "Stop", 0},
        {5600, 7, "Stop", 1},
        {6900, 0, "EndMix", 0}}},
      // Pitch: channels that start pitched, pitch keys that record all
      // sixteen channels, balance held at a key's repeat rate.
      {"pitched",
       175,
       5,
       {{0, {"bass", "bass", "", 1, 1, 0, 90, 0, -3.5, "LOW"}},
        {1, {"lead", "lead", "", 0.5, 1, 0, 75, 40, 2.0, ""}},
        {4, {"pad", "pad", "", 4, 4, 0, 60, 0, 0, ""}},
        {9, {"hats", "hats", "", 0.25, 0.5, 0, 55, -60, 0, ""}}},
       Join({{{100, 0, "Play", 0}, {150, 9, "Play", 0}},
             PitchRound(1200, {{0, -36}, {1, 20}}),
             {{1500, 0, "Balance", -5},
              {1533, 0, "Balance", -10},
              {1566, 0, "Balance", -15},
              {1800, 9, "Volume", 57},
              {1833, 9, "Volume", 59},
              {2000, 1, "Play", 0},
              {2900, 1, "Stop", 0},
              {3100, 4, "Play", 0}},
             PitchRound(3300, {{0, -36}, {1, 20}, {4, 19}}),
             {{3900, 0, "Stop", 0},
              {4200, 9, "Stop", 1},
              {4700, 4, "Stop", 1},
              {5400, 0, "EndMix", 0}}})},
      Crowd(),
      // Stretched loops: a sound longer than its loop, one shorter, a long
      // delay, a channel whose loop is 0 and never starts. Recorded with the
      // master pitch lowered, so its events end before its stored length.
      {"stretch",
       90,
       5,
       {{0, {"texture", "texture", "", 1, 0.25, 0, 80, 0, 0, "SLOW"}},
        {1, {"short kick", "kick", "", 2, 4, 1, 95, 0, 0, "SLOW"}},
        {2, {"late pad", "pad", "", 2, 4, 3, 60, -30, -1.5, "SLOW"}},
        {3, {"silent", "snare", "", 1, 0, 0, 80, 0, 0, "SLOW"}}},
       {{40, 0, "Play", 0},
        {260, 1, "Play", 0},
        {300, 3, "Play", 0},
        {900, 2, "Play", 0},
        {2100, 0, "Volume", 70},
        {2300, 0, "Stop", 1},
        {2950, 0, "Play", 0},
        {3500, 1, "Stop", 0},
        {3900, 2, "Stop", 1},
        {4010, 0, "Stop", 0},
        {4400, 0, "EndMix", 0}}},
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] != '/') {
    std::fprintf(stderr, "usage: gen_render_set ABSOLUTE_OUTPUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const std::string waveDir = dir + "/Waves";
  const std::map<std::string, Wave> waves = {
      {"kick", Kick()}, {"snare", Snare()},    {"hats", Hats()}, {"bass", Bass()},
      {"pad", Pad()},   {"lead", Lead()},      {"stab", Stab()}, {"riser", Riser()},
      {"zap", Zap()},   {"texture", Texture()}};
  bool ok = true;
  for (const auto& [name, wave] : waves)
    ok = WriteFile(waveDir + "/" + name + ".wav", WaveFile(wave)) && ok;
  for (const Mix& mix : Mixes()) {
    const std::string setDir = dir + "/" + mix.name;
    for (const auto& [index, channel] : mix.channels)
      ok = WriteFile(setDir + "/" + channel.name + ".chn", ChannelFile(channel, waveDir)) && ok;
    ok = WriteFile(dir + "/" + mix.name + ".mix", MixFile(mix, setDir)) && ok;
  }
  if (!ok) {
    std::fprintf(stderr, "gen_render_set: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
