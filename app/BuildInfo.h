// What the build records about the program: its version and the back ends compiled in.
// The build writes the definitions, from the project's version and its list of back ends.
#pragma once

#include <vector>

#include "platform/BackEndInfo.h"

const char* BuiltVersion();
std::vector<const TBackEndInfo*> BuiltInBackEnds();
