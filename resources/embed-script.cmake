# Writes the C++ source that embeds the resource script for the POSIX
# stand-in (its "resource section"): the text of zolt.rc with the text of
# resource.h in place of its `#include "resource.h"` line, as the resource
# compiler would see it, in the array kResourceScript.
#
#   cmake -DSCRIPT=zolt.rc -DHEADER=resource.h -DOUTPUT=out.cpp -P embed-script.cmake
file(READ "${SCRIPT}" script)
file(READ "${HEADER}" header)
string(FIND "${script}" "#include \"resource.h\"" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${SCRIPT} does not include resource.h")
endif()
string(REPLACE "#include \"resource.h\"" "${header}" text "${script}")

# The bytes as character constants in hexadecimal, so that no character of
# the script needs escaping.
string(HEX "${text}" hex)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
# One line of output for each line of the script.
string(REPLACE "'\\x0a'," "'\\x0a',\n  " bytes "${bytes}")

file(WRITE "${OUTPUT}.tmp"
  "// Generated from resources/zolt.rc and resources/resource.h; do not edit.\n"
  "extern const char kResourceScript[];\n"
  "const char kResourceScript[] = {\n  ${bytes}'\\0'};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
