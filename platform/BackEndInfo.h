// What a back end built into the program says about itself on the command line: its name
// for --version, and the environment switches it reads for --help.
#pragma once

#include <string>
#include <vector>

// One environment variable a back end reads, as "NAME=VALUE", and what setting it does.
struct TEnvironmentSwitch {
  std::string Setting;
  std::string Effect;
};

// Every back end defines one of these; the build lists the ones compiled into the program.
struct TBackEndInfo {
  std::string Name;
  std::string Role;
  std::vector<TEnvironmentSwitch> Switches;
};
