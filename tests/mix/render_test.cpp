#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "support/program_info.h"
#include "tests/mix/desk_test_util.h"

namespace {

class Renderer : public TestRoot {
 protected:
  void TearDown() override {
    trace_.Compare();
    TestRoot::TearDown();
  }
  tGoldenTrace trace_;
  // Runs the renderer in folder (the test root when empty); its stdout in
  // output, its stderr in errors, its exit status as result.
  int Render(const std::string& args, std::string& errors, std::string* output = nullptr,
             const std::string& folder = "") {
    const std::string err = root_ + "/stderr.txt";
    // The file-size limit keeps a runaway export from filling the disk.
    std::string cmd = "ulimit -f 50000; cd '" + (folder.empty() ? root_ : folder) + "' && " +
                      std::string(BREVORA_STAGE) + "/brevora-render " + args + " 2>'" + err + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return -1;
    char buf[512];
    std::string out;
    while (std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
    int status = pclose(p);
    if (output != nullptr) *output = out;
    errors = ReadHost("stderr.txt");
    std::remove(err.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // The path as the renderer names it: its drive C: is its own folder, so
  // the test folder lies on Z:, the host root.
  std::string SystemPath(const std::string& rel) {
    std::string path = "Z:" + root_ + "/" + rel;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  }
  // Runs the renderer and traces its arguments, exit status, output and
  // errors, the test folder named <root>.
  void Trace(std::string args) {
    std::string errors, output;
    const int status = Render(args, errors, &output);
    for (std::string* text : {&args, &errors, &output})
      for (size_t at; (at = text->find(root_)) != std::string::npos;)
        text->replace(at, root_.size(), "<root>");
    trace_("render", args, "exit", status);
    trace_.Text("out", output);
    trace_.Text("err", errors);
  }
  void WriteKickSet(const std::string& sample) {
    WriteHost("Loops/kick.wav", WaveBytes(44100, 16, 2, 20000));
    WriteHost(
        "Sets/kick.chn",
        "[Brevora Channel]\r\nVersion=3\r\nLoop=1.000\r\nVolume=100\r\nSnd=" + sample + "\r\n");
    WriteHost("Mixes/demo mix.mix",
              MixText({{0, {SystemPath("Sets/kick.chn"), ""}}}, 130, 2,
                      "Time 00000000 Channel 0 Play 0\r\nTime 00002000 Channel 0 EndMix 0\r\n"));
  }
};

TEST_F(Renderer, RendersAMixWithItsChannelFilesToAWaveFile) {
  WriteKickSet(SystemPath("Loops/kick.wav"));
  std::string errors;
  ASSERT_EQ(Render("--rate 22050 --bits 16 --channels 1 '" + root_ + "/Mixes/demo mix.mix' '" +
                       root_ + "/out.wav'",
                   errors),
            0)
      << errors;
  EXPECT_EQ(errors, "");  // silent when all went well
  const std::string wav = ReadHost("out.wav");
  // 3000 ms at 22050 Hz mono in pages of 441 frames of 2 bytes.
  ASSERT_EQ(wav.size(), 44u + 150u * 882u);
  uint32_t rate, bytes;
  std::memcpy(&rate, wav.data() + 24, 4);
  std::memcpy(&bytes, wav.data() + 40, 4);
  EXPECT_EQ(wav.substr(0, 4) + std::to_string(rate) + "/" + std::to_string(wav[22]) + "/" +
                std::to_string(bytes),
            "RIFF22050/1/132300");
  EXPECT_NE(wav.find_first_not_of('\0', 44), std::string::npos);  // not silence

  // Values joined with "=", and paths relative to the current folder, even
  // though the renderer works in its own content root.
  ASSERT_EQ(Render("--rate=22050 --bits=16 --channels=1 -- 'demo mix.mix' ../again.wav", errors,
                   nullptr, root_ + "/Mixes"),
            0)
      << errors;
  EXPECT_TRUE(ReadHost("again.wav") == wav);
}

TEST_F(Renderer, SpeaksInOneSentencePerMessageWithHostPaths) {
  WriteKickSet("Z:\\dev\\zero");
  // A sample that cannot be read: the mix still renders, and the renderer
  // says what the desk would show and which answer it took. --quiet says
  // nothing and gives the same file and the same exit status.
  WriteHost("bad.mix", "[Brevora Mix]\r\nVersion=1\r\n");
  const std::string mix = "'" + root_ + "/Mixes/demo mix.mix' ";
  for (const std::string& args :
       {mix + "out.wav", "--quiet " + mix + "quiet.wav", std::string("bad.mix bad.wav"),
        std::string("--quiet nothing.mix bad.wav")})
    Trace(args);
  EXPECT_GE(ReadHost("out.wav").size(), 44u);
  EXPECT_EQ(ReadHost("quiet.wav"), ReadHost("out.wav"));
  EXPECT_EQ(ReadHost("bad.wav"), "");
}

TEST_F(Renderer, AnswersHelpVersionAndMistakesInGnuForm) {
  std::string errors, output;
  EXPECT_EQ(Render("--version", errors, &output), 0);
  EXPECT_EQ(output.substr(0, output.find('\n')),
            std::string("brevora-render (Brevora) ") + BrevoraVersion());
  EXPECT_NE(output.find("\nCopyright (C) "), std::string::npos) << output;

  EXPECT_EQ(Render("a.mix --help", errors, &output), 0);
  EXPECT_EQ(output.rfind("Usage: brevora-render [OPTION]... MIX OUT.wav\n", 0), 0u) << output;
  for (const char* listed : {"--rate=", "--bits=", "--channels=", "--volume=", "--quiet", "--help",
                             "--version", "Exit status:", "\n  0 ", "\n  1 "})
    EXPECT_NE(output.find(listed), std::string::npos) << listed;
  EXPECT_EQ(errors, "");
  for (const char* args :
       {"--rate 48000 a.mix b.wav", "--bits=12 a.mix b.wav", "--volume 101 a.mix b.wav",
        "--rate=fast a.mix b.wav", "a.mix b.wav --channels", "--loud a.mix b.wav", "a.mix",
        "a.mix b.wav c.wav"})
    Trace(args);
}

}  // namespace
