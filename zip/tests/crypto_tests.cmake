# Tests of the library's own cryptographic primitives (AES, SHA-1,
# HMAC-SHA1, PBKDF2, WinZip's counter mode), which are internal: the tests
# reach the headers in src/ and judge the results against OpenSSL.
tesk_zip_tests(zip_crypto_tests unit tesk::zip
               crypto_reference.cpp sha1_test.cpp hmac_sha1_test.cpp pbkdf2_test.cpp aes_block_test.cpp
               aes_counter_mode_test.cpp)
target_include_directories(zip_crypto_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/../src)
target_link_libraries(zip_crypto_tests PRIVATE OpenSSL::Crypto)
