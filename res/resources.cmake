# The program's own pictures, its desktop entry and its AppStream metainfo; included from
# res/CMakeLists.txt.

set(PISMOVAR_ICON_SIZES 16 32 48 64 128 256)

# The program's AppStream id, a reverse-DNS name of the project's own: the desktop entry, the
# metainfo and the icons go by it, and the program tells the desktop it (ui/program_resources.cpp).
set(PISMOVAR_APP_ID cz.pismovar.pismovar CACHE INTERNAL "The program's AppStream id")

# The metainfo carries the project's version and the day it was released.
set(PISMOVAR_RELEASE_DATE 2026-12-07)
configure_file(${PISMOVAR_APP_ID}.metainfo.xml.in
               ${CMAKE_CURRENT_BINARY_DIR}/${PISMOVAR_APP_ID}.metainfo.xml @ONLY)
set(PISMOVAR_DESKTOP_ENTRY ${CMAKE_CURRENT_SOURCE_DIR}/${PISMOVAR_APP_ID}.desktop
    CACHE INTERNAL "The desktop entry, for its validation test")
set(PISMOVAR_METAINFO ${CMAKE_CURRENT_BINARY_DIR}/${PISMOVAR_APP_ID}.metainfo.xml
    CACHE INTERNAL "The configured metainfo, for its validation test")

install(FILES ${PISMOVAR_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${PISMOVAR_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${PISMOVAR_ICON_SIZES})
  install(FILES icons/pismovar-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${PISMOVAR_APP_ID}.png)
endforeach()
install(FILES icons/pismovar.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${PISMOVAR_APP_ID}.svg)

# The licence's text, which the about box opens, found from the program's own folder: in the
# build tree and in an installation alike. Where the system keeps the same text for every
# package (Debian's common licences), the installed file only points there.
file(RELATIVE_PATH PISMOVAR_LICENCE_FILE ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/pismovar/COPYING)
set(PISMOVAR_LICENCE_FILE ${PISMOVAR_LICENCE_FILE}
    CACHE INTERNAL "The licence's text relative to the program's directory")
cmake_path(ABSOLUTE_PATH PISMOVAR_LICENCE_FILE BASE_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
           NORMALIZE OUTPUT_VARIABLE licence_in_build_tree)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${licence_in_build_tree} COPYONLY)
# Decided at installation, when the prefix is known: a package for /usr links to Debian's
# copy (relative, as Debian wants a link within /usr), any other installation gets its own.
install(CODE "
  set(dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/pismovar\")
  file(MAKE_DIRECTORY \"\${dir}\")
  if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\" AND EXISTS /usr/share/common-licenses/GPL-3)
    file(CREATE_LINK ../common-licenses/GPL-3 \"\${dir}/COPYING\" SYMBOLIC)
  else()
    file(COPY_FILE \"${PROJECT_SOURCE_DIR}/LICENSE\" \"\${dir}/COPYING\")
  endif()")
