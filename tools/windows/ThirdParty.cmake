# The libraries of the Windows build: pugixml compiled from the source that
# tools/fetch-debian-source unpacks from Debian's source package, and the header-only
# stb coder from Debian's libstb-dev.
set(BLASTOVER_PUGIXML_SOURCE "" CACHE PATH "pugixml's unpacked source (tools/fetch-debian-source pugixml)")
if(NOT EXISTS "${BLASTOVER_PUGIXML_SOURCE}/src/pugixml.cpp")
  message(FATAL_ERROR "pugixml's source is missing: run tools/windows/build, or set BLASTOVER_PUGIXML_SOURCE "
                      "to the folder tools/fetch-debian-source pugixml prints")
endif()
# The folders the program is built from stay out of it, so that a build anywhere gives
# the same bytes.
add_compile_options("-ffile-prefix-map=${CMAKE_SOURCE_DIR}=." "-ffile-prefix-map=${CMAKE_BINARY_DIR}=."
                    "-ffile-prefix-map=${BLASTOVER_PUGIXML_SOURCE}=pugixml")
add_library(pugixml_static STATIC "${BLASTOVER_PUGIXML_SOURCE}/src/pugixml.cpp")
target_include_directories(pugixml_static SYSTEM PUBLIC "${BLASTOVER_PUGIXML_SOURCE}/src")
add_library(pugixml::pugixml ALIAS pugixml_static)

# Only stb's own folder: /usr/include itself holds the build machine's system headers.
if(NOT EXISTS /usr/include/stb/stb_image.h)
  message(FATAL_ERROR "stb is missing: install libstb-dev (tools/windows/build does)")
endif()
add_library(blastover_stb INTERFACE)
target_include_directories(blastover_stb SYSTEM INTERFACE /usr/include/stb)
