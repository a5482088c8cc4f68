#pragma once
// The controls every voice, mix bus and output device has: pitch, volume and
// balance, and the law that turns volume and balance into the integer gains
// (256 = unity) of the mixing loops.
#include <atomic>
#include <cstdint>

// Pitch is a speed factor (1.0 = the wave's own speed), volume a linear
// amplitude factor (1.0 = unity), balance -1.0 (left only) .. 0.0 .. +1.0
// (right only). Setters return true when the value was taken.
class tSoundControl {
 public:
  virtual bool SetPitch(double pitch) = 0;
  virtual double GetPitch() = 0;
  virtual bool SetVolume(double volume) = 0;
  virtual double GetVolume() = 0;
  virtual bool SetBalance(double balance) = 0;
  virtual double GetBalance() = 0;
  virtual ~tSoundControl() = default;
};

// Integer gain (256 = unity) of a double factor, truncated toward zero and
// held inside the 32-bit range.
int32_t GainToInt(double factor);

// Three stored parameters and the gains law.
class tSoundParams : public tSoundControl {
 public:
  bool SetPitch(double pitch) override;
  double GetPitch() override;
  bool SetVolume(double volume) override;
  double GetVolume() override;
  bool SetBalance(double balance) override;
  double GetBalance() override;

  // left = volume * (1 - balance) for balance > 0, else volume;
  // right = volume * (1 + balance) for balance < 0, else volume.
  // Reads volume and balance through the virtual getters.
  void GetGains(double& left, double& right);

 protected:
  std::atomic<double> m_Pitch{1.0};
  std::atomic<double> m_Volume{1.0};
  std::atomic<double> m_Balance{0.0};
};
