# Turns the authority's three PEM certificates into a C++ source that holds
# each as one wide string on one line: "-----BEGIN CERTIFICATE-----", the
# Base64 without line breaks, "-----END CERTIFICATE-----".
#   cmake -DPEM_DIR=<folder with root.pem, ca-older.pem, ca-newer.pem>
#         -DOUTPUT=<file.cpp> -P embed_certificates.cmake
set(begin "-----BEGIN CERTIFICATE-----")
set(end "-----END CERTIFICATE-----")

function(one_line_pem file out)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "missing certificate ${file}")
  endif()
  file(READ "${file}" text)
  string(FIND "${text}" "${begin}" first)
  string(FIND "${text}" "${end}" last)
  if(first EQUAL -1 OR last EQUAL -1 OR last LESS first)
    message(FATAL_ERROR "${file} holds no PEM certificate")
  endif()
  string(LENGTH "${begin}" begin_length)
  math(EXPR body_start "${first} + ${begin_length}")
  math(EXPR body_length "${last} - ${body_start}")
  string(SUBSTRING "${text}" ${body_start} ${body_length} body)
  string(REGEX REPLACE "[ \t\r\n]" "" body "${body}")
  if(NOT body MATCHES "^[A-Za-z0-9+/]+=*$")
    message(FATAL_ERROR "${file}: the certificate is not Base64")
  endif()
  set(${out} "${begin}${body}${end}" PARENT_SCOPE)
endfunction()

one_line_pem("${PEM_DIR}/root.pem" root)
one_line_pem("${PEM_DIR}/ca-older.pem" older)
one_line_pem("${PEM_DIR}/ca-newer.pem" newer)

file(WRITE "${OUTPUT}.tmp" "// Made by embed_certificates.cmake from ${PEM_DIR}; do not edit.
#include \"certificates.h\"

namespace ostrim {

extern const char16_t kRootCertificate[] = u\"${root}\";
extern const char16_t kOlderCaCertificate[] = u\"${older}\";
extern const char16_t kNewerCaCertificate[] = u\"${newer}\";

}  // namespace ostrim
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
