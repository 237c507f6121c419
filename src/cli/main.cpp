#include "cli/commands.h"

int main(int argc, char** argv) {
  return quillon::RunCli(argc - 1, argv + 1);
}
