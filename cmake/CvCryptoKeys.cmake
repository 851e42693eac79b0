# Build-time key material of the container reader: the RSA public key and the
# two masks that every data file of a build must be written with. The defaults
# are the development key in keys/development.key; a product build passes its
# own values (cvdata keygen prints the options).

set(CV_DEVELOPMENT_MODULUS
  "AC62DA6512F2EC65A1DA8A2F7D5112A316DED2AE405C693AE412FFFAF3B59DEE897E0CA80C862617C0B98879A8E5EDBB6F5697B806096F242663D456A5378B63E4F41E9B06185B6332F47526C2272CB7080B99FBFF198F86F3FAC2A1244E4ABE66F08EF9497F6BA1C14EA3EE1C2A0FC26BB99802D993DDE53CEBA1B042E9B4E1")
set(CVSETTINGS_RSA_MODULUS "${CV_DEVELOPMENT_MODULUS}"
  CACHE STRING "RSA modulus of the data files: 256 hexadecimal digits (1024 bits, odd)")
set(CVSETTINGS_RSA_PUBLIC_EXPONENT "11"
  CACHE STRING "RSA public exponent of the data files: two hexadecimal digits, odd")
set(CVSETTINGS_LENGTH_MASK "042AF908"
  CACHE STRING "32-bit mask of the plaintext length field: 8 hexadecimal digits")
set(CVSETTINGS_KEYTEXT_MASK "E2"
  CACHE STRING "Mask of the key text bytes: 2 hexadecimal digits")

function(cv_check_hex name value digits)
  string(LENGTH "${value}" length)
  if(NOT length EQUAL digits OR NOT value MATCHES "^[0-9A-Fa-f]+$")
    message(FATAL_ERROR "${name} must be exactly ${digits} hexadecimal digits without a prefix, "
      "got '${value}'.")
  endif()
endfunction()

cv_check_hex(CVSETTINGS_RSA_MODULUS "${CVSETTINGS_RSA_MODULUS}" 256)
cv_check_hex(CVSETTINGS_RSA_PUBLIC_EXPONENT "${CVSETTINGS_RSA_PUBLIC_EXPONENT}" 2)
cv_check_hex(CVSETTINGS_LENGTH_MASK "${CVSETTINGS_LENGTH_MASK}" 8)
cv_check_hex(CVSETTINGS_KEYTEXT_MASK "${CVSETTINGS_KEYTEXT_MASK}" 2)

# The reader keeps these as uppercase texts.
string(TOUPPER "${CVSETTINGS_RSA_MODULUS}" CV_KEYS_MODULUS)
string(TOUPPER "${CVSETTINGS_RSA_PUBLIC_EXPONENT}" CV_KEYS_EXPONENT)
string(TOUPPER "${CVSETTINGS_LENGTH_MASK}" CV_KEYS_LENGTH_MASK)
string(TOUPPER "${CVSETTINGS_KEYTEXT_MASK}" CV_KEYS_KEYTEXT_MASK)

if(NOT CV_KEYS_MODULUS MATCHES "^[89A-F]")
  message(FATAL_ERROR "CVSETTINGS_RSA_MODULUS must be a 1024-bit number: its first digit must be 8 or above.")
endif()
if(NOT CV_KEYS_MODULUS MATCHES "[13579BDF]$")
  message(FATAL_ERROR "CVSETTINGS_RSA_MODULUS must be odd.")
endif()
if(NOT CV_KEYS_EXPONENT MATCHES "[13579BDF]$" OR CV_KEYS_EXPONENT STREQUAL "01")
  message(FATAL_ERROR "CVSETTINGS_RSA_PUBLIC_EXPONENT must be odd and at least 3, got '${CVSETTINGS_RSA_PUBLIC_EXPONENT}'.")
endif()
# The masked key text must hold no zero byte, so the mask may not equal any
# hexadecimal digit character (0-9, A-F, a-f).
if(CV_KEYS_KEYTEXT_MASK MATCHES "^3[0-9]$|^4[1-6]$|^6[1-6]$")
  message(FATAL_ERROR "CVSETTINGS_KEYTEXT_MASK ${CVSETTINGS_KEYTEXT_MASK} is the code of a "
    "hexadecimal digit; masking that digit would put a zero byte into the key text. Choose another value.")
endif()

# Tests that write data files need the private half of the configured key:
# the repository's own file for the development key, else the file named here.
set(CVSETTINGS_TEST_KEY_FILE ""
  CACHE FILEPATH "cvdata key file of the configured key, for the tests that write data files (empty: skip them)")
if(CV_KEYS_MODULUS STREQUAL CV_DEVELOPMENT_MODULUS AND CV_KEYS_EXPONENT STREQUAL "11"
   AND CV_KEYS_LENGTH_MASK STREQUAL "042AF908" AND CV_KEYS_KEYTEXT_MASK STREQUAL "E2")
  set_property(GLOBAL PROPERTY CV_DEVELOPMENT_KEYS TRUE)
  set(cv_test_key_file "${PROJECT_SOURCE_DIR}/keys/development.key")
else()
  set_property(GLOBAL PROPERTY CV_DEVELOPMENT_KEYS FALSE)
  message(STATUS "Data-file key: product key (modulus ${CV_KEYS_MODULUS})")
  set(cv_test_key_file "")
endif()
if(CVSETTINGS_TEST_KEY_FILE)
  if(NOT EXISTS "${CVSETTINGS_TEST_KEY_FILE}")
    message(FATAL_ERROR "CVSETTINGS_TEST_KEY_FILE: no file '${CVSETTINGS_TEST_KEY_FILE}'.")
  endif()
  get_filename_component(cv_test_key_file "${CVSETTINGS_TEST_KEY_FILE}" ABSOLUTE)
endif()
set_property(GLOBAL PROPERTY CV_TEST_KEY_FILE "${cv_test_key_file}")

configure_file(${CMAKE_CURRENT_LIST_DIR}/cvcrypto_keys.h.in
  ${CMAKE_CURRENT_BINARY_DIR}/cvcrypto_keys.h @ONLY)
