# Header-only helpers shared by the algorithm units.
target_sources(cvcrypto PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ByteOrder.h
  ${CMAKE_CURRENT_LIST_DIR}/SecureWipe.h)
