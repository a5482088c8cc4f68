// brevora: the live loop-mixing desk.
#include "ui/shell.h"

int main(int argc, char** argv) {
  return RunBrevora(argc, argv);
}
