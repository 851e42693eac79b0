target_sources(cvcrypto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/CFileEncrypt.cpp)
