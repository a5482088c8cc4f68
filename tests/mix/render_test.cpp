#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/program_info.h"
#include "tests/channels/channels_test_util.h"

namespace {

class Renderer : public TracedTest {
 protected:
  // Runs the renderer in the test root; its stdout in output, its stderr in
  // errors, its exit status as result.
  int Render(const std::string& args, std::string& errors, std::string* output) {
    const std::string err = root_ + "/stderr.txt";
    // The file-size limit keeps a runaway export from filling the disk.
    std::string cmd = "ulimit -f 50000; cd '" + root_ + "' && " + std::string(BREVORA_STAGE) +
                      "/brevora-render " + args + " 2>'" + err + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return -1;
    char buf[512];
    std::string out;
    while (std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
    int status = pclose(p);
    *output = out;
    errors = ReadHost("stderr.txt");
    std::remove(err.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
};

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
