target_sources(cvcrypto PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CRandomGenerator.h
  ${CMAKE_CURRENT_LIST_DIR}/CRandomGenerator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Md5.h
  ${CMAKE_CURRENT_LIST_DIR}/Md5.cpp)
