#include "mix/console_view.h"

#include <unistd.h>

#include <cstring>

#include "mix/language_table.h"

std::string MessageText(const char* key, const char* path) {
  std::string text;
  for (int line = 1; line <= 3; ++line) {
    std::string k = std::string(key) + " " + std::to_string(line);
    std::string t = LanguageTable().LookupText(k.c_str());
    if (t.rfind("ERROR-", 0) == 0)
      return path != nullptr && *path ? std::string(key) + ": " + path : std::string(key);
    // The last character names the line's button; "#" stands for a blank
    // and a run of "%" for the file name.
    if (!t.empty() && (t.back() == '0' || t.back() == '1')) t.pop_back();
    for (auto& c : t)
      if (c == '#') c = ' ';
    size_t pct = t.find('%');
    if (pct != std::string::npos) {
      size_t endPct = t.find_first_not_of('%', pct);
      t.replace(pct, (endPct == std::string::npos ? t.size() : endPct) - pct,
                path != nullptr ? path : "");
    }
    while (!t.empty() && t.back() == ' ') t.pop_back();
    if (t.empty()) continue;
    if (!text.empty()) text += ' ';
    text += t;
  }
  return text;
}

tConsoleView::tConsoleView(FILE* out) : m_pOut(out), m_Terminal(isatty(fileno(out)) != 0) {}

int tConsoleView::ShowMessage(const char* key, const char* path) {
  ++m_Messages;
  if (m_Terminal && m_LastPercent >= 0) std::fputc('\n', m_pOut);
  std::string text = MessageText(key, path);
  if (path != nullptr && *path && text.find(path) == std::string::npos)
    text += std::string(" ") + path;
  std::fprintf(m_pOut, "%s\n", text.c_str());
  std::fflush(m_pOut);
  // The loader's question "go on?" takes "show further errors".
  return std::strcmp(key, "Error loading mix") == 0 ? 1 : 0;
}

void tConsoleView::ExportProgress(uint32_t doneMs, uint32_t totalMs) {
  if (!m_Terminal || totalMs == 0) return;
  int percent = static_cast<int>((uint64_t(doneMs) * 100u) / totalMs);
  if (percent == m_LastPercent) return;
  m_LastPercent = percent;
  char bar[41];
  int filled = percent * 40 / 100;
  for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : '-';
  bar[40] = 0;
  std::fprintf(m_pOut, "\rRendering [%s] %3d%%", bar, percent);
  if (percent >= 100) std::fputc('\n', m_pOut);
  std::fflush(m_pOut);
}
