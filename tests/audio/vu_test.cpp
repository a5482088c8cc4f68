// The level meters' logic: frame choice, the dirty mark and what Draw puts
// on screen through the strips, recorded in a golden trace.
#include "audio/vu.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tests/support/support_test_util.h"

namespace {

// A strip that records what it is asked to do into a shared trace.
class tLogStrip : public tVuStrip {
 public:
  tLogStrip(support_test::GoldenTrace& trace, bool loads) : m_Trace(trace), m_Loads(loads) {}
  bool Load(const char* fileName, uint32_t frames) override {
    m_Name = fileName;
    m_Trace.Line("  load %s, %u frames", fileName, frames);
    return m_Loads;
  }
  void SetColorKey(uint32_t rgb) override { m_Trace.Line("  %s keyed %06x", m_Name.c_str(), rgb); }
  void DrawFrame(uint32_t frame, int x, int y) override {
    m_Trace.Line("  draw %s frame %u at %d,%d", m_Name.c_str(), frame, x, y);
  }

 private:
  support_test::GoldenTrace& m_Trace;
  bool m_Loads;
  std::string m_Name;
};

// Levels map to bar and loudspeaker frames. Loudspeakers start hidden;
// hidden bars are not drawn but the mark is cleared, and showing them does
// not redraw until the next change; a changed level draws once at the fixed
// positions of what is shown. A strip that cannot be made or loaded fails
// the meter, which draws what it has.
TEST(Vu, FramesDrawingAndFailures) {
  support_test::GoldenTrace trace("audio");
  for (int32_t level : {0, 19, 20, 199, 500, -5, INT_MIN, 59, 60, 128})
    trace.Line("level %d: bar %u, loudspeaker %u", level, tVU_Gui::BarFrame(level),
               tVU_Gui::SpeakerFrame(level));

  tVU_Gui vu;
  const auto made = [&](bool loads) {
    return [&trace, loads]() -> std::unique_ptr<tVuStrip> {
      trace.Line("  make a strip");
      return std::make_unique<tLogStrip>(trace, loads);
    };
  };
  const auto step = [&](const char* what, auto f) {
    trace.Line("%s", what);
    f();
    trace.Line("  = %d/%d, %s", vu.GetLeft(), vu.GetRight(), vu.IsDirty() ? "dirty" : "clean");
  };
  step("init", [&] { trace.Line("  %d", vu.Init(made(true))); });
  step("load", [&] { trace.Line("  %d", vu.Load("data\\vu.bmp", 10, "data\\box.bmp", 3)); });
  step("hide the bars, left 100", [&] {
    vu.ShowBars(false);
    vu.SetLeft(100);
  });
  step("draw", [&] { vu.Draw(); });
  step("show the bars, draw", [&] {
    vu.ShowBars(true);
    vu.Draw();
  });
  step("show the loudspeakers, 45/130", [&] {
    vu.ShowSpeakers(true);
    vu.SetLeft(45);
    vu.SetRight(130);
  });
  step("draw", [&] { vu.Draw(); });
  step("the same levels, draw", [&] {
    vu.SetLeft(45);
    vu.SetRight(130);
    vu.Draw();
  });
  step("clear the bars", [&] { vu.ClearBars(); });

  int count = 0;
  tVU_Gui broken;
  trace.Line("init, the bars cannot be made: %d", broken.Init([&]() -> std::unique_ptr<tVuStrip> {
    if (count++ == 1) return nullptr;
    return std::make_unique<tLogStrip>(trace, true);
  }));
  // Load goes on with what exists (the assumption is logged) and fails.
  trace.Line("load: %d", broken.Load("data\\vu.bmp", 10, "data\\box.bmp", 3));
  broken.SetLeft(300);
  broken.Draw();  // no bars to draw, and the loudspeakers are hidden
  tVU_Gui unloadable;
  trace.Line("init: %d", unloadable.Init(made(false)));
  trace.Line("load, the files cannot be read: %d",
             unloadable.Load("data\\vu.bmp", 10, "data\\box.bmp", 3));
  trace.Check("vu");
}

}  // namespace
