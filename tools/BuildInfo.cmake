# Writes the source that defines BuiltVersion() and BuiltInBackEnds() (app/BuildInfo.h)
# from the project's version and BLASTOVER_BACK_ENDS, the TBackEndInfo objects that the
# back ends compiled into the program define.
function(blastover_build_info output)
  set(declarations "")
  set(entries "")
  foreach(back_end IN LISTS BLASTOVER_BACK_ENDS)
    string(APPEND declarations "extern const TBackEndInfo ${back_end};\n")
    list(APPEND entries "&${back_end}")
  endforeach()
  list(JOIN entries ", " entries)
  file(CONFIGURE OUTPUT "${output}" @ONLY CONTENT [[
// Made by the build (tools/BuildInfo.cmake): the version and the back ends built in.
#include "app/BuildInfo.h"

@declarations@
const char* BuiltVersion() { return "@PROJECT_VERSION@"; }

std::vector<const TBackEndInfo*> BuiltInBackEnds() { return {@entries@}; }
]])
endfunction()
