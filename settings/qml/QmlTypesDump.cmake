# Dumps the module's types with qmlplugindump, without the generator's command
# line (it names this machine's build folder). MODE=write replaces REFERENCE;
# MODE=compare fails when REFERENCE differs from the fresh dump.
#   cmake -DDUMP=<qmlplugindump> -DIMPORT_DIR=<dir> -DREFERENCE=<file> -DMODE=write|compare -P QmlTypesDump.cmake
set(ENV{QT_QPA_PLATFORM} offscreen)
execute_process(
  COMMAND ${DUMP} -nonrelocatable -noinstantiate Corvane.Settings 1.0 ${IMPORT_DIR}
  OUTPUT_VARIABLE dump ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "qmlplugindump failed (${result}):\n${errors}")
endif()
string(REGEX REPLACE "// 'qmlplugindump[^\n]*\n" "" dump "${dump}")
if(MODE STREQUAL "write")
  file(WRITE ${REFERENCE} "${dump}")
  return()
endif()
file(READ ${REFERENCE} reference)
if(NOT reference STREQUAL dump)
  file(WRITE ${REFERENCE}.fresh "${dump}")
  message(FATAL_ERROR "${REFERENCE} is out of date: see ${REFERENCE}.fresh, or build the target update_qmltypes")
endif()
