# The include check: fails when a folder includes a header of a folder it must not, or when a
# part that must stay free of Qt (or of Win32) includes such a header. Run by ctest as
# layers.includes:
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
#
# ui/ is the programming dialog: ui/core its behaviour, on the core alone and free of any
# toolkit; ui/qt and ui/win32 its views, each on ui/core and never on the other. The core never
# includes a view. Folders below ui/, and app/win32, are told apart by their first two names.
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
set(allowed_ui/core ui/core ${core})
set(allowed_ui/qt ui/qt ${allowed_ui/core} res)
set(allowed_ui/win32 ui/win32 ${allowed_ui/core} res)
set(allowed_app app ui/qt ${allowed_ui/qt})
set(allowed_app/win32 app/win32 app ui/win32 ${allowed_ui/win32})
# Qt belongs to the desktop program's Qt side alone.
set(without_qt ${core} cli sim ui/core ui/win32 app/win32)

set(folders platform serial settings image job sim cli res ui/core ui/qt ui/win32 app app/win32)

set(violations 0)
# Every source under ui/ belongs to one of its known sub-folders.
file(GLOB_RECURSE ui_sources ${ROOT}/ui/*.h ${ROOT}/ui/*.cpp)
foreach(source IN LISTS ui_sources)
  file(RELATIVE_PATH name ${ROOT} ${source})
  if(NOT name MATCHES "^ui/(core|qt|win32)/")
    message("${name}: ui/ holds its sources in core/, qt/ or win32/")
    math(EXPR violations "${violations} + 1")
  endif()
endforeach()

foreach(folder IN LISTS folders)
  file(GLOB_RECURSE sources ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    file(RELATIVE_PATH name ${ROOT} ${source})
    if(folder STREQUAL "app" AND name MATCHES "^app/win32/")
      continue()  # checked as a folder of its own
    endif()
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
      if(line MATCHES "include[ \t]*\"(ui/[A-Za-z0-9_]+|app/win32|[A-Za-z0-9_]+)/")
        if(NOT CMAKE_MATCH_1 IN_LIST allowed_${folder})
          message("${name}: ${folder} must not include ${CMAKE_MATCH_1}/: ${line}")
          math(EXPR violations "${violations} + 1")
        endif()
      elseif(line MATCHES "include[ \t]*<Qt?[A-Z]" AND folder IN_LIST without_qt)
        message("${name}: ${folder} must not depend on Qt: ${line}")
        math(EXPR violations "${violations} + 1")
      elseif(line MATCHES "include[ \t]*<([Ww]indows|[Ww]inuser|[Cc]ommctrl|[Cc]ommdlg|[Oo]le2|[Ss]hellapi)\\.h>"
             AND NOT name MATCHES "_win\\.cpp$" AND NOT name MATCHES "^(ui|app)/win32/")
        message("${name}: ${folder} must not depend on Win32: ${line}")
        math(EXPR violations "${violations} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations GREATER 0)
  message(FATAL_ERROR "${violations} include(s) against the layers")
endif()
message("the includes keep to the layers")
