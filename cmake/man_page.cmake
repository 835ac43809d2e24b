# Puts a man page together from its source and a generated section:
#   cmake -DIN=<page.in> -DOUT=<page> -DOPTIONS=<roff> -DVERSION=<version> -P man_page.cmake
# @KVEN_CLI_OPTIONS@ in the source becomes the OPTIONS file, @PROJECT_VERSION@ the version.
file(READ ${OPTIONS} KVEN_CLI_OPTIONS)
set(PROJECT_VERSION ${VERSION})
configure_file(${IN} ${OUT} @ONLY)
