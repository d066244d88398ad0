# Runs one end-to-end script: cmake -DPROGRAM=corvalantis -DSCRIPT=file -DWORK=folder -P run_script.cmake
# WORK is emptied and holds the home folder, the runtime folder and the frame log of the run.
# The test passes when the script's run exits with 0.
foreach(var PROGRAM SCRIPT WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_script.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/home" "${WORK}/run")
file(CHMOD "${WORK}/run" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

set(model R210)
file(STRINGS "${SCRIPT}" header REGEX "^# virtual-mouse: *[A-Za-z0-9:,=-]+")
if(header)
  list(GET header 0 header)
  string(REGEX REPLACE "^# virtual-mouse: *([A-Za-z0-9:,=-]+).*$" "\\1" model "${header}")
endif()

set(ENV{HOME} "${WORK}/home")
unset(ENV{XDG_CONFIG_HOME})
unset(ENV{XDG_DOCUMENTS_DIR})
set(ENV{XDG_RUNTIME_DIR} "${WORK}/run")
set(ENV{QT_QPA_PLATFORM} offscreen)

execute_process(
  COMMAND "${PROGRAM}" --virtual-mouse=${model} "--frame-log=${WORK}/frames.log" "--script=${SCRIPT}"
  RESULT_VARIABLE result)
if(NOT result STREQUAL "0")
  message(FATAL_ERROR "${SCRIPT}: exit code ${result} (1: an expectation failed, 2: a script error); "
                      "the run's files are in ${WORK}")
endif()
