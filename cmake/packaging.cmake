# Install rules and the Debian package.
#   cmake --install BUILD --prefix P    programs in P/bin, manual pages in
#                                       P/share/man/man1, the README and the
#                                       copyright file in
#                                       P/share/doc/startup-logo-tools
#   cd BUILD && cpack -G DEB            the same tree under /usr, as a .deb
include(GNUInstallDirs)

# Debian package names allow no underscore; the README's folder follows the
# package's name, as Debian wants.
set(LOGO_PACKAGE_NAME startup-logo-tools)
set(LOGO_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${LOGO_PACKAGE_NAME})

set(LOGO_INSTALLED_PROGRAMS cyclemake palpack huefind huefind16)
foreach(program IN ITEMS cycleview logofit logostudio)
  if(TARGET ${program})
    list(APPEND LOGO_INSTALLED_PROGRAMS ${program})
  endif()
endforeach()
install(TARGETS ${LOGO_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Pages go out gzipped, as Debian policy asks; -n keeps the name and time
# out of the header so that the same page always packs to the same bytes.
find_program(GZIP gzip REQUIRED)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/man)
set(packed_pages)
foreach(program IN LISTS LOGO_INSTALLED_PROGRAMS)
  set(page ${PROJECT_SOURCE_DIR}/man/${program}.1)
  set(packed ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
  add_custom_command(OUTPUT ${packed}
    COMMAND ${GZIP} -9 -n -c ${page} > ${packed}
    DEPENDS ${page}
    VERBATIM)
  list(APPEND packed_pages ${packed})
endforeach()
add_custom_target(manual_pages ALL DEPENDS ${packed_pages})
install(FILES ${packed_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${LOGO_DOC_DIR})
# Debian wants the licence beside the README, as a file named copyright.
install(FILES ${PROJECT_SOURCE_DIR}/cmake/copyright DESTINATION ${LOGO_DOC_DIR})
# The picture the README shows, where its link points.
install(FILES ${PROJECT_SOURCE_DIR}/docs/bar-frame.png ${PROJECT_SOURCE_DIR}/docs/preview-frame.png
              ${PROJECT_SOURCE_DIR}/docs/logostudio.png
        DESTINATION ${LOGO_DOC_DIR}/docs)

if(PROJECT_VERSION)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
else()
  set(CPACK_PACKAGE_VERSION 1.0.0)
endif()
set(CPACK_PACKAGE_NAME ${LOGO_PACKAGE_NAME})
set(CPACK_PACKAGE_CONTACT "Startup Logo Tools maintainers <logo-tools@example.org>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "console tools that make the Windows 95 start-up logo and its colour cycling")
# dpkg shows these lines as they are: each kept under 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
"Console programs that turn a picture into the 320x400, 256-colour start-up
logo of Windows 95 (LOGO.SYS) and choose the palette colours that the system
cycles while it starts: logofit fits any picture into the logo's layout,
palpack reports and packs its palette, huefind and huefind16 find and change
palette colours, cyclemake moves the chosen colours into the animated slots
and writes the logo file, and cycleview previews the animation as a GIF.
logostudio serves a page on this machine where all of it is done in a
browser: drop a picture, paint what should shimmer, watch it cycle live.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT DPKG_SHLIBDEPS)
  message(STATUS "cpack -G DEB needs dpkg-shlibdeps: apt-get install dpkg-dev")
endif()
include(CPack)

if(BUILD_TESTING)
  find_program(GROFF groff REQUIRED)
  set(manual_page_sources)
  foreach(program IN ITEMS cyclemake palpack huefind huefind16 cycleview logofit logostudio)
    list(APPEND manual_page_sources ${PROJECT_SOURCE_DIR}/man/${program}.1)
  endforeach()
  add_test(NAME ManualPages.RenderWithoutWarnings
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/manual_pages_test.sh
            ${GROFF} ${manual_page_sources})
  add_test(NAME Install.TreeHoldsProgramsPagesAndReadme
    COMMAND sh ${PROJECT_SOURCE_DIR}/tests/installed_tree_test.sh
            ${CMAKE_COMMAND} ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR}
            ${LOGO_INSTALLED_PROGRAMS})
endif()
