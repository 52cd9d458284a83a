# KELO_SANITIZE: a comma-separated list of sanitizers every target of the
# build is compiled and linked with, e.g. "address,undefined" or "thread".
# Any finding ends the test with a failure: undefined behaviour does not
# recover, and the script that runs these builds asks the runtimes to halt on
# the first report.
set(KELO_SANITIZE "" CACHE STRING
  "Sanitizers to build with, e.g. address,undefined or thread (empty: none)")

if(KELO_SANITIZE)
  if(MSVC)
    message(FATAL_ERROR "KELO_SANITIZE is for GCC and Clang builds")
  endif()
  if(KELO_SANITIZE MATCHES "thread" AND KELO_SANITIZE MATCHES "address")
    message(FATAL_ERROR "ThreadSanitizer and AddressSanitizer cannot be combined")
  endif()
  add_compile_options(-fsanitize=${KELO_SANITIZE} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${KELO_SANITIZE})
endif()
