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
# The stand-in for the client's cvcommon installs its DLL, not its headers.
file(GLOB_RECURSE stand_in ${prefix}/include/*PathHelper.h ${prefix}/include/*cvcommon_export.h)
if(stand_in)
  message(FATAL_ERROR "the cvcommon stand-in's headers were installed: ${stand_in}")
endif()

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

# The same client built with pkg-config's flags alone, and run.
find_program(pkg_config pkg-config)
if(pkg_config AND CXX_COMPILER)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/${LIBDIR}/pkgconfig
    ${pkg_config} --cflags --libs cvsettings OUTPUT_VARIABLE flags RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "pkg-config does not know the installed cvsettings")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(extra)
  if(SANITIZE)
    set(extra -fsanitize=${SANITIZE})
  endif()
  file(GLOB_RECURSE libs ${prefix}/libcvsettings.so)
  get_filename_component(libdir "${libs}" DIRECTORY)
  run(pkg-config-build ${CXX_COMPILER} -std=c++17 -fPIC ${extra} ${CONSUMER_DIR}/main.cpp ${flags}
    -Wl,-rpath,${libdir} -o ${build}/consumer_pc)
  run(pkg-config-run ${CMAKE_COMMAND} -E env HOME=${home} XDG_DATA_HOME=${home}/.local/share
    XDG_CONFIG_HOME=${home}/.config ${build}/consumer_pc)
endif()
