# Fails when a source file under ROOT/<each of DIRS> includes a POSIX-only header, which would
# keep that folder from building on Windows. Run as: cmake -DROOT=... -DDIRS=app;ui -P this.
set(posix_headers
  "unistd\\.h" "fcntl\\.h" "poll\\.h" "pthread\\.h" "termios\\.h" "grp\\.h" "pwd\\.h"
  "spawn\\.h" "dirent\\.h" "dlfcn\\.h" "sched\\.h" "semaphore\\.h" "syslog\\.h" "netdb\\.h"
  "sys/[^>\"]*" "arpa/[^>\"]*" "netinet/[^>\"]*" "linux/[^>\"]*" "asm/[^>\"]*")
list(JOIN posix_headers "|" alternatives)
set(pattern "#[ \t]*include[ \t]*[<\"](${alternatives})[>\"]")

set(found "")
foreach(dir IN LISTS DIRS)
  file(GLOB_RECURSE files ${ROOT}/${dir}/*.cpp ${ROOT}/${dir}/*.h)
  foreach(file IN LISTS files)
    file(STRINGS ${file} lines REGEX "${pattern}")
    foreach(line IN LISTS lines)
      file(RELATIVE_PATH name ${ROOT} ${file})
      string(APPEND found "  ${name}: ${line}\n")
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "POSIX headers in folders that must build on Windows "
                      "(move that code behind platform/):\n${found}")
endif()
message(STATUS "no POSIX header in: ${DIRS}")
