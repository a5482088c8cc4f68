// The message box's lines: three texts and a file path, composed directly
// and through the language table, set into the box's 22-character labels and
// drawn with a font. Every line must be what the composition rules give.
//
// Input: one byte, then lines separated by "\n": the path and the three
// texts. The byte: bit 7 set gives no path; bits 6 and 5 both set store the
// texts in the language table (in the section of language 1 + byte % 6) and
// compose the message under their key, else the texts are composed as they
// stand. The table is read from its file at every lookup, which costs a
// hundred times the composition: a quarter of the inputs take that way.
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_files.h"
#include "fuzz/fuzz_target.h"
#include "mix/language_table.h"
#include "ui/message_box.h"
#include "ui/text.h"

namespace {

constexpr size_t kWidth = static_cast<size_t>(tMessageLines::kWidth);

// The lines the rules give, worked out place by place.
tMessageLines Expected(const std::array<std::string, 3>& texts, const char* path) {
  tMessageLines out;
  std::array<std::vector<size_t>, 3> places;
  for (size_t i = 0; i < 3; ++i) {
    std::string line = texts[i];
    out.enabled[i] = !line.empty() && line.back() == '1';
    if (!line.empty()) line.pop_back();
    line = line.substr(0, kWidth);
    for (size_t at = 0; at < line.size(); ++at) {
      if (line[at] == '#') line[at] = ' ';
      if (line[at] == '%') {
        places[i].push_back(at);
        line[at] = ' ';
      }
    }
    out.text[i] = line;
  }
  if (path == nullptr) return out;
  std::string name(path);
  if (const size_t slash = name.rfind('\\'); slash != std::string::npos) name.erase(0, slash + 1);
  if (name.size() >= 4 && name[name.size() - 4] == '.') name.resize(name.size() - 4);
  for (size_t i = 0; i < 3; ++i) {
    if (name.size() > places[i].size()) continue;
    for (size_t k = 0; k < name.size(); ++k) out.text[i][places[i][k]] = name[k];
    return out;
  }
  size_t k = 0;
  for (size_t i = 0; i < 3; ++i)
    for (size_t at : places[i])
      if (k < name.size()) out.text[i][at] = name[k++];
  return out;
}

void Check(const tMessageLines& got, const tMessageLines& want) {
  if (got.text != want.text || got.enabled != want.enabled) std::abort();
}

// A font of 86 glyphs of 2 by 2 pixels, glyph k drawn in colour k + 1.
tBitmapFont& Font() {
  static tBitmapFont* font = [] {
    std::vector<uint8_t> bmp = FuzzBitmap8(tBitmapFont::kGlyphs * 2, 2, [](int32_t x, int32_t) {
      return static_cast<uint8_t>(x / 2 + 1);
    });
    WriteFuzzFile("font.bmp", bmp.data(), bmp.size());
    auto* f = new tBitmapFont;
    if (!f->Load("C:\\font.bmp")) std::abort();
    return f;
  }();
  return *font;
}

// Sets the lines into labels as the box does and draws them: every
// character shows its glyph, or nothing when the font has none.
void CheckLabels(const tMessageLines& lines) {
  tSurface target;
  if (!target.Create(static_cast<int32_t>(kWidth) * 2 + 2, 3 * 4)) std::abort();
  for (size_t i = 0; i < 3; ++i) {
    tTextLabel label;
    label.SetWidth(static_cast<int32_t>(kWidth));
    label.SetText(lines.text[i].c_str());
    const std::string& shown = label.Buffer();
    // A label holds a C string: a line ends at a zero byte.
    std::string want = lines.text[i].c_str();
    want.resize(kWidth, ' ');
    if (shown != want) std::abort();
    const int32_t y = static_cast<int32_t>(i) * 4;
    Font().DrawText(0, y, shown.c_str(), &target);
    for (size_t k = 0; k < kWidth; ++k) {
      const uint8_t c = static_cast<uint8_t>(shown[k]);
      const int32_t glyph =
          tBitmapFont::GlyphOf(c >= 'a' && c <= 'z' ? static_cast<uint8_t>(c - 32) : c);
      const uint8_t pixel = target.Image().PixelAt(static_cast<int32_t>(k) * 2, y);
      if (pixel != (glyph >= 0 ? glyph + 1 : 0)) std::abort();
    }
    // Nothing beyond the label's width.
    if (target.Image().PixelAt(static_cast<int32_t>(kWidth) * 2, y) != 0) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int32_t language = 1 + data[0] % 6;
  const bool withPath = (data[0] & 0x80) == 0;
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::array<std::string, 4> parts;  // the path, then the three texts
  size_t from = 0;
  for (size_t i = 0; i < 4 && from <= rest.size(); ++i) {
    const size_t end = i < 3 ? rest.find('\n', from) : std::string::npos;
    parts[i] = rest.substr(from, end == std::string::npos ? std::string::npos : end - from);
    from = end == std::string::npos ? rest.size() + 1 : end + 1;
  }
  // A path is a C string: it ends at its first zero byte.
  const std::string path = parts[0].c_str();
  const char* pathArg = withPath ? path.c_str() : nullptr;
  const std::array<std::string, 3> texts{parts[1], parts[2], parts[3]};

  if ((data[0] & 0x60) != 0x60) {
    const tMessageLines lines = ComposeMessage(texts, pathArg);
    Check(lines, Expected(texts, pathArg));
    CheckLabels(lines);
    return 0;
  }

  // The texts as the language table holds them, under their key.
  static const char* const kSections[6] = {"Engels", "Nederlands", "Frans",
                                           "Duits",  "Italiaans",  "Spaans"};
  std::string table = std::string("[") + kSections[language - 1] + "]\r\n";
  for (size_t i = 0; i < 3; ++i) {
    std::string text = texts[i];
    for (char& c : text)
      if (c == '\r' || c == '\0') c = ' ';
    table += "Fuzz message " + std::to_string(i + 1) + "=" + text + "\r\n";
  }
  WriteFuzzFile("Language.txt", reinterpret_cast<const uint8_t*>(table.data()), table.size());
  tLanguageTable& lookup = LanguageTable();
  lookup.LoadLanguageTable("Language.txt");
  lookup.SelectLanguage(language);
  std::array<std::string, 3> stored;
  for (size_t i = 0; i < 3; ++i) {
    const std::string key = "Fuzz message " + std::to_string(i + 1);
    stored[i] = lookup.LookupText(key.c_str());
  }
  const tMessageLines lines = ComposeMessage("Fuzz message", pathArg);
  Check(lines, Expected(stored, pathArg));
  CheckLabels(lines);
  return 0;
}
