target_sources(cvcrypto PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CBlowfish.h
  ${CMAKE_CURRENT_LIST_DIR}/CBlowfish.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BlowfishTables.h
  ${CMAKE_CURRENT_LIST_DIR}/BlowfishTables.cpp)
