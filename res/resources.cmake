# The program's own pictures, its desktop entry and its AppStream metainfo; included from
# res/CMakeLists.txt.

set(PISMOVAR_ICON_SIZES 16 32 48 64 128 256)

if(Qt6_FOUND)
  # pismovar_resources: the pictures as Qt resources (resources.qrc), for the desktop program
  # and its about box. Icon 128 is ":/res/icon128-<size>.png" for each size above, or all
  # sizes at once as pismovar::ProgramIcon() (res/program_resources.h); the logo is
  # ":/res/logo132.png", the link cursor ":/res/cursor133.png" (hot spot 6, 0). Call one of
  # the functions in res/program_resources.h before reading the paths directly.
  add_library(pismovar_resources STATIC program_resources.cpp resources.qrc)
  set_target_properties(pismovar_resources PROPERTIES AUTORCC ON)
  target_include_directories(pismovar_resources PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(pismovar_resources PRIVATE PISMOVAR_VERSION="${PROJECT_VERSION}")
  target_link_libraries(pismovar_resources PUBLIC Qt6::Gui PRIVATE pismovar_warnings)
endif()

# The metainfo carries the project's version and the day it was released.
set(PISMOVAR_RELEASE_DATE 2026-12-07)
configure_file(org.example.pismovar.metainfo.xml.in
               ${CMAKE_CURRENT_BINARY_DIR}/org.example.pismovar.metainfo.xml @ONLY)
set(PISMOVAR_DESKTOP_ENTRY ${CMAKE_CURRENT_SOURCE_DIR}/pismovar.desktop
    CACHE INTERNAL "The desktop entry, for its validation test")
set(PISMOVAR_METAINFO ${CMAKE_CURRENT_BINARY_DIR}/org.example.pismovar.metainfo.xml
    CACHE INTERNAL "The configured metainfo, for its validation test")

install(FILES pismovar.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/org.example.pismovar.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${PISMOVAR_ICON_SIZES})
  install(FILES icons/pismovar-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME pismovar.png)
endforeach()
install(FILES icons/pismovar.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
