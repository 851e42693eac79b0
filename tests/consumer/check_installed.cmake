# cmake -P script: install the build tree BUILD_DIR into a fresh prefix under
# WORK_DIR, then configure, build and run the consumer project against it.
foreach(var BUILD_DIR CONSUMER_DIR WORK_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()
if(NOT CONFIG)
  set(CONFIG RelWithDebInfo)
endif()

set(prefix ${WORK_DIR}/prefix)
set(build ${WORK_DIR}/build)
file(REMOVE_RECURSE ${WORK_DIR})

function(run step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${step} failed (${rc})")
  endif()
endfunction()

run(install ${CMAKE_COMMAND} --install ${BUILD_DIR} --config ${CONFIG} --prefix ${prefix})

set(configure_args -S ${CONSUMER_DIR} -B ${build} -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_BUILD_TYPE=${CONFIG})
if(GENERATOR)
  list(APPEND configure_args -G ${GENERATOR})
endif()
if(CXX_COMPILER)
  list(APPEND configure_args -DCMAKE_CXX_COMPILER=${CXX_COMPILER})
endif()
# A sanitized library needs its runtime loaded first, so the client is
# sanitized alike.
if(SANITIZE)
  list(APPEND configure_args "-DCMAKE_CXX_FLAGS=-fsanitize=${SANITIZE}"
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=${SANITIZE}")
endif()
run(configure ${CMAKE_COMMAND} ${configure_args})
run(build ${CMAKE_COMMAND} --build ${build} --config ${CONFIG})

find_program(consumer_exe consumer PATHS ${build} ${build}/${CONFIG} NO_DEFAULT_PATH REQUIRED)
# The client's files go to a scratch home, never the real one.
set(home ${WORK_DIR}/home)
file(MAKE_DIRECTORY ${home})
run(run ${CMAKE_COMMAND} -E env HOME=${home} XDG_DATA_HOME=${home}/.local/share
  XDG_CONFIG_HOME=${home}/.config ${consumer_exe})
