#include "support/program_info.h"

#ifndef BREVORA_VERSION
#define BREVORA_VERSION "0.0.0"
#endif
#ifndef BREVORA_COPYRIGHT
#define BREVORA_COPYRIGHT "The Brevora developers"
#endif
#ifndef BREVORA_LICENSE_NOTE
#define BREVORA_LICENSE_NOTE "All rights reserved."
#endif

const char* BrevoraVersion() {
  return BREVORA_VERSION;
}

std::string VersionText(const char* program) {
  return std::string(program) + " (Brevora) " + BREVORA_VERSION + "\nCopyright (C) " +
         BREVORA_COPYRIGHT + "\n" + BREVORA_LICENSE_NOTE + "\n";
}
