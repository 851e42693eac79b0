# The few operating-system calls of the container reader. Everything above
# them is shared; only these files differ between Windows and elsewhere.
target_sources(cvcrypto PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Utf8ToWide.cpp)
if(WIN32)
  target_sources(cvcrypto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/PlatformWin32.cpp)
else()
  target_sources(cvcrypto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/PlatformPosix.cpp)
endif()
