#pragma once
// How regular a periodic timer runs: every period between two runs is
// recorded as its deviation from the nominal period, in 10 µs steps up to
// 20 ms (anything longer counts in a last step), with the worst kept exactly.
// Adding is a few integer operations on fixed storage, so the tick's worker
// can record every run without allocating or locking; one thread adds, and
// another reads only after that one has stopped.
#include <array>
#include <cstddef>
#include <cstdint>

class tPeriodStats {
 public:
  static constexpr uint64_t kStepNs = 10'000;
  static constexpr size_t kSteps = 2000;  // 20 ms

  // Records one period of periodNs against the nominal period nominalNs.
  void Add(uint64_t periodNs, uint64_t nominalNs);
  void Clear();

  uint64_t Count() const { return m_Count; }
  // The worst deviation, exact.
  uint64_t WorstNs() const { return m_WorstNs; }
  // The deviation that fraction (0 to 1) of the periods stay within, rounded
  // up to the next 10 µs step; 0 when nothing was recorded.
  uint64_t QuantileNs(double fraction) const;
  // How many periods deviated by more than limitNs (rounded down to a step).
  uint64_t CountOver(uint64_t limitNs) const;

 private:
  std::array<uint32_t, kSteps + 1> m_Steps{};
  uint64_t m_Count = 0;
  uint64_t m_WorstNs = 0;
};
