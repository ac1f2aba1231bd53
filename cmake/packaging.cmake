# The Debian packages: `cpack -G DEB` in the build directory makes
# pismovar_<version>-<release>_<arch>.deb (the programs), libpismovar1 (the library) and
# libpismovar-dev (its header and pkg-config file) from what `cmake --install` installs, with
# the dependencies dpkg-shlibdeps finds in the binaries. Included from the top CMakeLists.txt.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pismovar)
set(CPACK_PACKAGE_VENDOR "The Pismovar project")
set(CPACK_PACKAGE_CONTACT "The Pismovar project <pismovar@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "convert Czech and Slovak text between code pages and line ends")
set(CPACK_PACKAGE_DESCRIPTION
    "Pismovar converts Czech and Slovak plain text between the 8-bit code pages
those languages were written in (Windows 1250, Kamenický, Latin-2 = code
page 852, ISO 8859-2, Macintosh Central European, KOI8-ČS and plain ASCII),
UTF-8 and the three line-end conventions, and guesses the code page and line
ends of a text.
.
It comes as a desktop program, pismovar, with drag and drop, the clipboard,
progress and cancel, in Czech, English and Slovak; and as a command-line
tool for scripts, pismovar-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://pismovar.example.org/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialogs and buttons speak the user's language only with Qt's translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# One package for each component: the programs (installed without a component), the library
# and what building against it needs.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Unspecified library development)
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME pismovar)
set(CPACK_DEBIAN_UNSPECIFIED_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libpismovar1)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION
    "convert Czech and Slovak text between code pages - library
libpismovar converts Czech and Slovak text between the 8-bit code pages those
languages were written in, UTF-8 and the three line-end conventions, piece by
piece as iconv(3) does, and guesses a text's code page and line ends.
.
This package holds the shared library.")
# The library's package says which package its soname is in (shlibs), and a trigger renews
# the linker cache.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/triggers)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libpismovar-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "libpismovar1 (= ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "convert Czech and Slovak text between code pages - development files
libpismovar converts Czech and Slovak text between the 8-bit code pages those
languages were written in, UTF-8 and the three line-end conventions, piece by
piece as iconv(3) does, and guesses a text's code page and line ends.
.
This package holds the C header and the pkg-config file.")

# Debian's documents of every package: the copyright and a compressed changelog.
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in
               ${PROJECT_BINARY_DIR}/debian/changelog.Debian @ONLY)
find_program(GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
  COMMAND ${GZIP} -9 -n -f -k ${PROJECT_BINARY_DIR}/debian/changelog.Debian
  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.Debian
  COMMENT "Compressing the Debian changelog")
add_custom_target(pismovar_debian_changelog ALL
                  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)
foreach(package_component pismovar:Unspecified: libpismovar1:library:.library
                          libpismovar-dev:development:.library)
  string(REPLACE ":" ";" package_component ${package_component})
  list(GET package_component 0 package)
  list(GET package_component 1 component)
  list(GET package_component 2 overrides)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright
                ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/lintian-overrides${overrides}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${package}
          COMPONENT ${component})
endforeach()

# A stripped installation, as cpack makes, also leaves out the compilers' notes that Debian's
# own packages carry none of (the .comment and .note sections), as Debian's strip step does.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program pismovar pismovar-cli)
      set(file \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\")
      if(EXISTS \"\${file}\")
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                                --remove-section=.note \"\${file}\" COMMAND_ERROR_IS_FATAL ANY)
      endif()
    endforeach()
  endif()")

include(CPack)
