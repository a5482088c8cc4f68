#include "mix/console_view.h"

#include <unistd.h>

#include <cctype>
#include <cstring>
#include <vector>

#include "mix/language_table.h"
#include "platform/hostfs.h"

namespace {

// The questions the desk asks with a message whose lines are all buttons:
// the console's answer and what it says instead.
struct tQuestion {
  const char* key;
  int answer;
  const char* sentence;
};
constexpr tQuestion kQuestions[] = {
    {"Error loading mix", 1,
     "some of the mix's channels could not be loaded; going on and showing errors"},
    {"keep or restore format", 0,
     "the export changed the output format; keeping the export format"},
};

const tQuestion* FindQuestion(const char* key) {
  for (const tQuestion& q : kQuestions)
    if (std::strcmp(q.key, key) == 0) return &q;
  return nullptr;
}

// "Can not ..." becomes "can not ...", as a clause inside a sentence; words
// in capitals ("OK", "WAV") keep them.
void LowerInitial(std::string& text) {
  if (text.size() >= 2 && std::isupper(static_cast<unsigned char>(text[0])) &&
      std::islower(static_cast<unsigned char>(text[1])))
    text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
}

std::string QuotedHostPath(const char* path) {
  std::string host;
  if (!platform::ToHostPath(path, host)) host = path;
  return "'" + host + "'";
}

}  // namespace

int ConsoleAnswer(const char* key) {
  const tQuestion* q = FindQuestion(key);
  return q != nullptr ? q->answer : 0;
}

std::string ConsoleSentence(const char* key, const char* path) {
  const bool hasPath = path != nullptr && *path != 0;
  std::vector<std::string> text;
  std::string labels[3];
  bool named = false;  // the sentence names the key: the table lacks it
  for (int line = 1; line <= 3; ++line) {
    std::string k = std::string(key) + " " + std::to_string(line);
    std::string t = LanguageTable().LookupText(k.c_str());
    if (t.rfind("ERROR-", 0) == 0) {
      text.assign(1, key);
      if (hasPath) text.back() += ": %";
      named = true;
      break;
    }
    // The last character enables the line's button ("1"): such a line is a
    // button label. "#" stands for a blank.
    const bool button = !t.empty() && t.back() == '1';
    if (!t.empty() && (t.back() == '0' || t.back() == '1')) t.pop_back();
    for (char& c : t)
      if (c == '#') c = ' ';
    while (!t.empty() && t.back() == ' ') t.pop_back();
    if (button)
      labels[line - 1] = t;
    else if (!t.empty())
      text.push_back(t);
  }

  std::string sentence;
  if (text.empty()) {
    const tQuestion* q = FindQuestion(key);
    if (q != nullptr) return q->sentence;
    const int answer = ConsoleAnswer(key);
    sentence = std::string(key) + "; answering '" + labels[answer] + "'";
    named = true;
  }
  for (std::string part : text) {
    if (sentence.empty()) {
      sentence = part;
    } else {
      // Lines that are sentences of their own become clauses of one.
      if (sentence.back() == '.') {
        sentence.back() = ';';
        LowerInitial(part);
      }
      sentence += " " + part;
    }
  }
  // The file path fills the first run of "%"; further runs go.
  bool filled = false;
  for (size_t pct; (pct = sentence.find('%')) != std::string::npos;) {
    size_t end = sentence.find_first_not_of('%', pct);
    if (end == std::string::npos) end = sentence.size();
    if (hasPath && !filled) {
      sentence.replace(pct, end - pct, QuotedHostPath(path));
    } else {
      // A run left empty takes one of the blanks around it along.
      if (end < sentence.size() && sentence[end] == ' ' && (pct == 0 || sentence[pct - 1] == ' '))
        ++end;
      sentence.erase(pct, end - pct);
    }
    filled = true;
  }
  // A line that led to a path left out ends in ":"; no sentence ends in ".".
  while (!sentence.empty() &&
         (sentence.back() == ' ' || sentence.back() == '.' || sentence.back() == ':'))
    sentence.pop_back();
  if (hasPath && !filled) sentence += ": " + QuotedHostPath(path);
  if (!named) LowerInitial(sentence);
  return sentence;
}

tConsoleView::tConsoleView(FILE* out, std::string program)
    : m_pOut(out),
      m_Program(std::move(program)),
      m_Terminal(out != nullptr && isatty(fileno(out)) != 0) {}

int tConsoleView::ShowMessage(const char* key, const char* path) {
  ++m_Messages;
  if (m_pOut != nullptr) {
    // A message ends the progress bar's line.
    if (m_Terminal && m_LastPercent >= 0 && m_LastPercent < 100) std::fputc('\n', m_pOut);
    m_LastPercent = -1;
    std::fprintf(m_pOut, "%s: %s\n", m_Program.c_str(), ConsoleSentence(key, path).c_str());
    std::fflush(m_pOut);
  }
  return ConsoleAnswer(key);
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
