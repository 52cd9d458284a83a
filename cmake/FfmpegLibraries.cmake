# The FFmpeg libraries our decoder links against, as one target, kelo_ffmpeg:
# avformat, avcodec, avutil, swscale and swresample with their headers.
#
# Linux: the system's, through pkg-config.
# Windows: the 32-bit DLLs that scripts/build-ffmpeg-win32.sh builds from
#   Debian's FFmpeg source, found under KELO_FFMPEG_WIN32_PREFIX (include/,
#   lib/*.def, bin/*.dll), delay-loaded: linked through delay-import
#   libraries made here from FFmpeg's .def files, so that a program or DLL
#   using them loads even when one is missing, and finds out at run time
#   (decoder/ffmpeg/win32/Win32Services.cpp checks them before the first
#   call). The target's KELO_RUNTIME_DLLS property lists the DLLs that go
#   beside the decoder, KELO_LICENSE_FILES the licence and the note on their
#   source that go with them.
set(KELO_FFMPEG_LIBRARIES avformat avcodec avutil swscale swresample)
add_library(kelo_ffmpeg INTERFACE)

if(NOT WIN32)
  find_package(PkgConfig REQUIRED)
  list(TRANSFORM KELO_FFMPEG_LIBRARIES PREPEND lib OUTPUT_VARIABLE modules)
  pkg_check_modules(M4_FFMPEG REQUIRED IMPORTED_TARGET ${modules})
  target_link_libraries(kelo_ffmpeg INTERFACE PkgConfig::M4_FFMPEG)
  return()
endif()

set(prefix ${KELO_FFMPEG_WIN32_PREFIX})
set(dlls)
foreach(library IN LISTS KELO_FFMPEG_LIBRARIES)
  # FFmpeg names its DLLs after the library's major version: avcodec-59.dll.
  file(GLOB dll ${prefix}/bin/${library}-*.dll)
  list(LENGTH dll found)
  if(found EQUAL 1)
    get_filename_component(dll_name ${dll} NAME)
    get_filename_component(dll_stem ${dll} NAME_WE)
    set(def ${prefix}/lib/${dll_stem}.def)
  endif()
  if(NOT found EQUAL 1 OR NOT EXISTS ${def})
    message(FATAL_ERROR "KELO_FFMPEG_WIN32_PREFIX=${prefix} holds no ${library} DLL and .def "
      "file; scripts/build-ffmpeg-win32.sh builds them")
  endif()
  # FFmpeg's functions only (its .def files list no data), so every import
  # can go through the delay-load helper. dlltool names the library's
  # delay-import descriptor after the output name as given: lib<name>.a gives __DELAY_IMPORT_DESCRIPTOR_lib<name>_a,
  # which the decoder's check looks for.
  set(delay_directory ${CMAKE_BINARY_DIR}/ffmpeg-delay)
  set(delay_library ${delay_directory}/lib${library}.a)
  file(MAKE_DIRECTORY ${delay_directory})
  execute_process(
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll_name}
            --output-delaylib lib${library}.a
    WORKING_DIRECTORY ${delay_directory}
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dlltool could not make ${delay_library} from ${def}")
  endif()
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  add_library(kelo_ffmpeg::${library} SHARED IMPORTED)
  set_target_properties(kelo_ffmpeg::${library} PROPERTIES
    IMPORTED_LOCATION ${dll}
    IMPORTED_IMPLIB ${delay_library}
    INTERFACE_INCLUDE_DIRECTORIES ${prefix}/include)
  target_link_libraries(kelo_ffmpeg INTERFACE kelo_ffmpeg::${library})
  list(APPEND dlls ${dll})
endforeach()
# Beside the programs and DLLs of the build, where Windows (and wine) looks
# for a program's DLLs first.
file(COPY ${dlls} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
set_target_properties(kelo_ffmpeg PROPERTIES
  KELO_RUNTIME_DLLS "${dlls}"
  KELO_LICENSE_FILES "${prefix}/share/doc/ffmpeg/COPYING.LGPLv2.1;${prefix}/share/doc/ffmpeg/SOURCE.txt")
