# The documentation a client reads from the installed SDK alone, beside what
# cmake/Install.cmake installs:
#   the API reference, HTML made by doxygen from the public headers, when
#     doxygen is present: <docdir>/reference/ on Linux (the Debian package
#     too), doc/reference/ in the Windows zip; index.html is its first page.
#     Its front page is docs/client-guide.md, which ends with the
#     two-window example client. The Windows zip's shows the definitions a
#     Windows client compiles against, the Linux one the Linux ones. A header
#     member without documentation fails the build.
#   on Linux, <docdir>/examples/basic_client.cpp, the example client.
find_package(Doxygen QUIET)
if(DOXYGEN_FOUND)
  set(DOXYGEN_PROJECT_NAME "Kelo820 PlaySDK")
  set(DOXYGEN_PROJECT_NUMBER ${PROJECT_VERSION})
  set(DOXYGEN_PROJECT_BRIEF "Playback control for up to 32 audio/video channels")
  set(DOXYGEN_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/reference)
  set(DOXYGEN_FULL_PATH_NAMES NO)
  set(DOXYGEN_HAVE_DOT NO)
  set(DOXYGEN_QUIET YES)
  set(DOXYGEN_WARN_IF_UNDOCUMENTED YES)
  set(DOXYGEN_WARN_NO_PARAMDOC YES)
  set(DOXYGEN_WARN_AS_ERROR FAIL_ON_WARNINGS)
  set(DOXYGEN_USE_MDFILE_AS_MAINPAGE ${PROJECT_SOURCE_DIR}/docs/client-guide.md)
  set(DOXYGEN_EXAMPLE_PATH ${PROJECT_SOURCE_DIR}/examples)
  if(WIN32)
    set(DOXYGEN_PREDEFINED _WIN32)
  endif()
  doxygen_add_docs(kelo_api_reference
    ${PROJECT_SOURCE_DIR}/docs/client-guide.md
    ${PROJECT_SOURCE_DIR}/include/Kelo820_PlaySDK.h
    ${PROJECT_SOURCE_DIR}/include/Kelo820_PlaySDKCodes.h
    ${PROJECT_SOURCE_DIR}/include/Kelo820_PlaySDKTypes.h
    ALL COMMENT "API reference from the public headers")
  if(WIN32)
    set(KELO_REFERENCE_DIR doc/reference)
  else()
    set(KELO_REFERENCE_DIR ${CMAKE_INSTALL_DOCDIR}/reference)
  endif()
  install(DIRECTORY ${PROJECT_BINARY_DIR}/reference/html/ DESTINATION ${KELO_REFERENCE_DIR})
endif()

if(NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/examples/basic_client.cpp
    DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()
