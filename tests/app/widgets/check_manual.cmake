# Renders the manual with the build tool into a scratch file and checks that a real PDF of
# several pages came out, and that a missing source is refused without leaving a file.
# Called with -DTOOL=<manualpdf> -DSOURCE=<manual.md> -DWORK=<scratch folder>.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(ENV{QT_QPA_PLATFORM} offscreen)

execute_process(COMMAND ${TOOL} ${SOURCE} ${WORK}/manual.pdf RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "manualpdf failed with ${status}")
endif()
file(READ ${WORK}/manual.pdf head LIMIT 5 HEX)
if(NOT head STREQUAL "255044462d")  # "%PDF-"
  message(FATAL_ERROR "not a PDF file: it starts with ${head}")
endif()
file(STRINGS ${WORK}/manual.pdf pages REGEX "/Type /Page($|[^s])")
list(LENGTH pages count)
if(count LESS 5)
  message(FATAL_ERROR "the manual has ${count} pages, expected at least 5")
endif()
file(STRINGS ${WORK}/manual.pdf fonts REGEX "/FontName")
if(NOT fonts)
  message(FATAL_ERROR "no embedded fonts in the manual")
endif()

execute_process(COMMAND ${TOOL} ${WORK}/missing.md ${WORK}/missing.pdf RESULT_VARIABLE status
                ERROR_QUIET)
if(status EQUAL 0 OR EXISTS ${WORK}/missing.pdf)
  message(FATAL_ERROR "a missing manual source was not refused")
endif()
message(STATUS "manual: ${count} pages")
