#include "audio/period_stats.h"

#include <algorithm>
#include <cmath>

void tPeriodStats::Add(uint64_t periodNs, uint64_t nominalNs) {
  const uint64_t deviation = periodNs > nominalNs ? periodNs - nominalNs : nominalNs - periodNs;
  // Step k holds deviations in ((k - 1) * 10 µs, k * 10 µs]; step 0 an exact period.
  const uint64_t step = (deviation + kStepNs - 1) / kStepNs;
  ++m_Steps[std::min<uint64_t>(step, kSteps)];
  ++m_Count;
  m_WorstNs = std::max(m_WorstNs, deviation);
}

void tPeriodStats::Clear() {
  m_Steps.fill(0);
  m_Count = 0;
  m_WorstNs = 0;
}

uint64_t tPeriodStats::QuantileNs(double fraction) const {
  if (m_Count == 0) return 0;
  const double wanted = std::ceil(std::clamp(fraction, 0.0, 1.0) * static_cast<double>(m_Count));
  const uint64_t need = std::max<uint64_t>(1, static_cast<uint64_t>(wanted));
  uint64_t seen = 0;
  for (size_t k = 0; k < kSteps; ++k) {
    seen += m_Steps[k];
    if (seen >= need) return std::min<uint64_t>(k * kStepNs, m_WorstNs);
  }
  return m_WorstNs;
}

uint64_t tPeriodStats::CountOver(uint64_t limitNs) const {
  uint64_t over = 0;
  for (size_t k = limitNs / kStepNs + 1; k <= kSteps; ++k) over += m_Steps[k];
  return over;
}
