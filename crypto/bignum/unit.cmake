target_sources(cvcrypto PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/WordArray.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CBigNumber.cpp)
