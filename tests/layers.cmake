# The include check: fails when a folder includes a header of a folder it must not, or when a
# part that must stay free of Qt includes a Qt header. Run by ctest as layers.includes:
#   cmake -DROOT=<source tree> -P tests/layers.cmake
#
# The arrows point down only. platform is the bottom; serial, settings and image stand on it;
# job on all four. The front ends stand on the core (and the desktop program on its dialog and
# resources); the simulator uses only the platform layer, so that it checks the engine with
# a view of the protocol of its own. The tests, benchmarks and fuzz targets may include
# anything, and nothing includes them.
#
# Windows stays in its own files: <windows.h> and its kin are included only by the *_win.cpp
# sources of the seams and by the desktop program's Win32 side (the folders ui/win32 and
# app/win32), which in turn never include Qt.
cmake_minimum_required(VERSION 3.25)

if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source tree> -P layers.cmake")
endif()

set(core platform serial settings image job)
set(allowed_platform platform)
set(allowed_serial serial platform)
set(allowed_settings settings platform)
set(allowed_image image platform)
set(allowed_job job ${allowed_serial} ${allowed_settings} ${allowed_image})
set(allowed_sim sim platform)
set(allowed_cli cli ${core})
set(allowed_res res)
set(allowed_ui ui res ${core})
set(allowed_app app ${allowed_ui})
# Qt belongs to the desktop program alone.
set(without_qt ${core} cli sim)

set(violations 0)
foreach(folder platform serial settings image job sim cli res ui app)
  file(GLOB_RECURSE sources ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    file(RELATIVE_PATH name ${ROOT} ${source})
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
      if(line MATCHES "include[ \t]*\"([A-Za-z0-9_]+)/")
        if(NOT CMAKE_MATCH_1 IN_LIST allowed_${folder})
          message("${name}: ${folder} must not include ${CMAKE_MATCH_1}/: ${line}")
          math(EXPR violations "${violations} + 1")
        endif()
      elseif(line MATCHES "include[ \t]*<Qt?[A-Z]" AND
             (folder IN_LIST without_qt OR name MATCHES "^(ui|app)/win32/"))
        message("${name}: ${folder} must not depend on Qt: ${line}")
        math(EXPR violations "${violations} + 1")
      elseif(line MATCHES "include[ \t]*<([Ww]indows|[Ww]inuser|[Cc]ommctrl|[Cc]ommdlg|[Oo]le2|[Ss]hellapi)\\.h>"
             AND NOT name MATCHES "_win\\.cpp$" AND NOT name MATCHES "^(ui|app)/win32/")
        message("${name}: Win32 belongs in *_win.cpp files and the win32 folders: ${line}")
        math(EXPR violations "${violations} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations GREATER 0)
  message(FATAL_ERROR "${violations} include(s) against the layers")
endif()
message("the includes keep to the layers")
