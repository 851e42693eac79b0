target_sources(cvcrypto PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/TripleDes.h
  ${CMAKE_CURRENT_LIST_DIR}/TripleDes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TripleDesVector.h)
