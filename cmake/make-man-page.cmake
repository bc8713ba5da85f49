# Makes one man page: help2man runs PROGRAM --help and --version (their
# standard output; an exit code other than 0 is a failure) and adds
# the sections of INCLUDE; the page is written to OUTPUT and compressed to
# OUTPUT.gz with no time stamp in the gzip header, so that the same program
# gives the same file. Whatever --help prints becomes the page's synopsis
# and options; nothing here depends on its wording.
#
# A program that answers --help with no help text (a restorer from before
# it had one) still gets a page: the sections of INCLUDE under a title,
# with a warning, so that the build goes on.
get_filename_component(name ${PROGRAM} NAME)
execute_process(
  COMMAND ${HELP2MAN} --no-info --section=1 --name=${DESCRIPTION} --include=${INCLUDE} --output=${OUTPUT}
          ${PROGRAM}
  INPUT_FILE /dev/null
  TIMEOUT 60
  RESULT_VARIABLE result
  ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  string(STRIP "${errors}" errors)
  message(WARNING "help2man could not read ${name} --help: ${name}(1) carries only its own sections ${errors}")
  file(READ ${INCLUDE} sections)
  string(REGEX REPLACE "(^|\n)\\[([^]\n]+)\\]" "\\1.SH \\2" sections "${sections}")
  string(TOUPPER ${name} title)
  file(WRITE ${OUTPUT} ".TH ${title} 1\n.SH NAME\n${name} \\- ${DESCRIPTION}\n${sections}")
endif()
execute_process(COMMAND gzip -9nf ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${OUTPUT}")
endif()
