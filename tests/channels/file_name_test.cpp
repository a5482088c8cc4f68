#include <string>

#include "channels/channel_desk.h"
#include "tests/channels/channels_test_util.h"

namespace {

using FileNames = ChannelTest;

TEST_F(FileNames, DisplayNameDropsOnlyAThreeLetterExtension) {
  for (const char* path : {"C:\\Sets\\a.chn", "C:\\Sets\\drums.chn", "b.wave", "C:\\x\\.chn",
                           "noext", "C:\\Sets\\", "C:\\a.b\\c.d", "Mixes\\you bv feel.mix"}) {
    tString out;
    tChannelDesk::DisplayNameOf(path, out);
    trace_(path, "->", out.GetText());
  }
}

}  // namespace
