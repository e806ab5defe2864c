// main() of halyardctl: the station's window logic driven from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "app/Configuration.h"
#include "cli/Halyardctl.h"

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.emplace_back(argv[i]);
  return halyard::cli::HalyardctlMain(args, halyard::cli::ProgramDirectory(), std::cout, std::cerr,
                                      halyard::InstalledConfigurationPaths());
}
