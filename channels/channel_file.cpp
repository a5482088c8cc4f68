// Channel files: an initialisation file with one section that names a
// channel's two waves and holds its performance settings.
#include <strings.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "channels/channel_desk.h"
#include "channels/output_format.h"
#include "platform/hostfs.h"
#include "platform/profile.h"
#include "support/errors.h"

namespace {

// Buffer sizes of the reader, terminator included.
constexpr size_t kValueSize = 300;
constexpr size_t kAuthorSize = 30;

const char* const kCanNotLoadSample = "Can not load sample";
const char* const kWrongVersion = "Wrong chn version";
const char* const kCanNotLoadWaves = "Can not load waves";
const char* const kCanNotLoadWaveMain = "Can not load wave main";
const char* const kCanNotLoadWaveFx = "Can not load wave fx";
const char* const kCanNotSaveSample = "Can not save sample";

size_t SkipBlanks(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  return i;
}

// Leading blanks, an optional sign, decimal digits up to the first other
// character; no digits give 0. Held to the 32-bit range.
int32_t ParseInteger(const std::string& text) {
  size_t i = SkipBlanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > int64_t{INT32_MAX} + 1) value = int64_t{INT32_MAX} + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<int32_t>(value);
}

// Unsigned 32-bit in the same way (serial numbers are written with %lu).
uint32_t ParseUnsigned(const std::string& text) {
  size_t i = SkipBlanks(text);
  if (i < text.size() && text[i] == '+') ++i;
  uint64_t value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    if (value > UINT32_MAX) value = UINT32_MAX;
  }
  return static_cast<uint32_t>(value);
}

// Leading blanks, then the usual decimal syntax (sign, digits, point,
// fraction, exponent) up to the first character that does not fit; nothing
// that fits gives 0. Hexadecimal is not decimal syntax.
double ParseDecimal(const std::string& text) {
  size_t i = SkipBlanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  double value = 0.0;
  auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: the C library's overflow and
    // underflow results.
    value = std::strtod(std::string(first, result.ptr).c_str(), nullptr);
  } else if (result.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

// Beats with three decimals in at least three characters: "1.000".
std::string FormatBeats(double beats) {
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%3.3f", beats);
  return buffer;
}

// The pitch with one decimal in at least four characters: " 1.5", "-5.0".
std::string FormatPitch(double pitch) {
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%4.1f", pitch);
  return buffer;
}

}  // namespace

bool tChannelDesk::LoadChannelFile(int index, const char* path, bool showErrors) {
  tWaitCursor wait(m_pView);
  tFileName p(path);
  if (p.IsEmpty() || !IsChannelIndex(index)) return false;
  // A name that is not absolute is looked for on the current directory's
  // drive; an absolute one is used as given.
  if (!p.IsAbsolutePath()) {
    MakeDriveRelative(p);
    tFileName current;
    current.SetToCurrentDirectory();
    ResolveOnDrive(current, p);
    if (!p.IsAbsolutePath()) p.MakeAbsolute(p);
  }
  // A drive without its root ("C:a.chn") is completed, so that the waves
  // are put on "C:\" and not on "C:a".
  if (p.IsAbsolutePath() && p[2] != '\\' && p[2] != '/') p.MakeAbsolute(p);
  auto fail = [&](const char* key) {
    if (showErrors) Message(key, p.GetText());
    return false;
  };

  tChannel& channel = m_Channels[index];
  channel.Reset();
  RefreshStrip(index);
  const std::string file = p.GetText();
  if (!FileExists(file.c_str())) return fail(kCanNotLoadSample);
  if (platform::ReadProfileSection(file, kChannelSection, kValueSize).empty())
    return fail(kCanNotLoadSample);
  // Every key is looked up in one reading of the file, as ReadProfileString
  // would find it: the first key of that name, without regard to case.
  const auto keys = platform::ReadProfileKeys(file, kChannelSection);
  auto read = [&](const char* key, const char* def, size_t size = kValueSize) {
    std::string value = def;
    for (const auto& [k, v] : keys) {
      if (strcasecmp(k.c_str(), key) == 0) {
        value = v;
        break;
      }
    }
    if (value.size() > size - 1) value.resize(size - 1);
    return value;
  };
  if (ParseInteger(read("version", "0")) < kChannelFileVersion) return fail(kWrongVersion);

  const double quantize = ParseDecimal(read("quantize", "1"));
  const double loop = ParseDecimal(read("loop", "1"));
  const double delay = ParseDecimal(read("delay", "0"));
  const int32_t volume = ParseInteger(read("volume", "80"));
  const int32_t balance = ParseInteger(read("balance", "0"));
  const double pitch = ParseDecimal(read("pitch", "0"));
  // The labels, serial numbers and author the file holds are not used: the
  // channel takes its labels from the disks its waves are read from.
  read("snd_label", "");
  ParseUnsigned(read("snd_sernum", " "));
  tFileName snd(read("snd", "").c_str());
  read("sfx_label", "");
  ParseUnsigned(read("sfx_sernum", " "));
  tFileName sfx(read("sfx", "").c_str());
  read("author", "", kAuthorSize);

  // The waves are looked for on the channel file's own drive.
  auto loadWave = [&](tChannel::tWhich which, tFileName& wave) {
    if (wave.IsEmpty()) return true;
    MakeDriveRelative(wave);
    ResolveOnDrive(p, wave);
    return channel.LoadSound(which, wave.GetText());
  };
  const bool mainOk = loadWave(tChannel::kMain, snd);
  const bool fxOk = loadWave(tChannel::kEffect, sfx);
  if (showErrors) {
    if (!mainOk && !fxOk)
      Message(kCanNotLoadWaves, nullptr);
    else if (!mainOk)
      Message(kCanNotLoadWaveMain, snd.GetText());
    else if (!fxOk)
      Message(kCanNotLoadWaveFx, sfx.GetText());
  }

  WAVEFORMATEX format;
  ReadOutputFormat(format);
  if (!AdaptChannel(index, format)) return false;

  channel.SetVolume(volume);
  channel.SetBaseVolume(volume);
  channel.SetBalance(balance);
  channel.SetBaseBalance(balance);
  channel.SetQuantize(quantize);
  channel.SetLoop(loop);
  channel.SetDelay(delay);
  channel.SetPitch(pitch);

  tFileName label;
  label.SetToVolumeLabelOf(p);
  channel.SetFile(p, label, tFileName::VolumeSerialOf(p));
  RefreshStrip(index);
  return mainOk && fxOk;
}

bool tChannelDesk::SaveChannelFile(int index, const char* path) {
  if (!IsChannelIndex(index)) return false;
  const tFileName target(path);
  auto fail = [&](const std::string& tmp) {
    if (!tmp.empty()) platform::DeleteFile(tmp);
    Message(kCanNotSaveSample, target.GetText());
    return false;
  };
  // The file is written beside the target under a temporary name and then
  // renamed over it, so a save that fails leaves the earlier file as it was.
  std::string full;
  if (target.IsEmpty() || !platform::FullPath(target.GetText(), full)) return fail("");
  std::string tmp;
  if (!platform::CreateTempFile(full.substr(0, full.rfind('\\') + 1), ".chn", tmp)) return fail("");

  const tChannel& channel = m_Channels[index];
  // One write of every key: the file is made whole or not at all.
  const bool ok =
      platform::WriteProfileStrings(tmp, kChannelSection,
                                    {{"Version", std::to_string(kChannelFileVersion)},
                                     {"Quantize", FormatBeats(channel.GetQuantize())},
                                     {"Loop", FormatBeats(channel.GetLoop())},
                                     {"Delay", FormatBeats(channel.GetDelay())},
                                     {"Volume", std::to_string(channel.GetVolume())},
                                     {"Balance", std::to_string(channel.GetBalance())},
                                     {"Pitch", FormatPitch(channel.GetPitch())},
                                     {"Snd_Label", channel.GetSndLabel().GetText()},
                                     {"Snd_SerNum", std::to_string(channel.GetSndSerial())},
                                     {"Snd", channel.GetSndPath().GetText()},
                                     {"SFx_Label", channel.GetSfxLabel().GetText()},
                                     {"SFx_SerNum", std::to_string(channel.GetSfxSerial())},
                                     {"SFx", channel.GetSfxPath().GetText()},
                                     {"Author", "User"}});
  if (!ok) return fail(tmp);
  if (!platform::CopyPermissions(full, tmp)) platform::SetNewFilePermissions(tmp);
  if (!platform::ReplaceFile(tmp, full)) return fail(tmp);

  tFileName label;
  label.SetToVolumeLabelOf(target);
  m_Channels[index].SetFile(target, label, tFileName::VolumeSerialOf(target));
  if (m_pView != nullptr) {
    tString name;
    DisplayNameOf(target.GetText(), name);
    m_pView->SetStripLabel(index, name.GetText());
  }
  return true;
}
