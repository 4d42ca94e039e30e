// korvanth-publish: the operator's tool for the update server's tree.
#include <iostream>
#include <string>
#include <vector>

#include "publish/publish_command.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return run_publish_command(args, std::cout, std::cerr);
}
