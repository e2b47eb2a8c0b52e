# What `cmake --install` puts where, the man pages, and the packages that CPack makes from that:
# a Debian package from a native build, a zip from each Windows cross build (32-bit and 64-bit). Included by the
# top-level CMakeLists.txt once the programs are defined; scripts/package.sh builds the packages.

# Folders made by the install are rwxr-xr-x whatever the umask, as a package's must be.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_PACKAGE_NAME wpconv)
set(CPACK_PACKAGE_VENDOR "the wpconv authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert OASYS word processor documents to HTML and back")
# The long description as Debian shows it: lines of at most 79 characters, none beginning with
# a full stop.
set(CPACK_PACKAGE_DESCRIPTION
    "wpconv converts the text documents of the OASYS Japanese word processor
(Shift-JIS .OA2 and .DOC files) into HTML that opens in any browser, and HTML
back into OASYS documents. It keeps paragraphs, underline, superscript,
subscript and the word processor's own characters, writes its outputs beside
the input without ever leaving a half-written file, and gives the same bytes
on Linux and on Windows.

wpconv-batch converts many files and whole folders with the same conversions,
never replacing an existing file unless told to, and reports every input that
failed.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # One folder holds it all: each program looks for wpconv.FMT beside itself. The texts get
  # Windows' line ends, for Notepad.
  foreach(text README.md LICENSE)
    file(READ ${PROJECT_SOURCE_DIR}/${text} content)
    string(REPLACE "\n" "\r\n" content "${content}")
    get_filename_component(stem ${text} NAME_WE)
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${stem}.txt "${content}")
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${stem}.txt DESTINATION .)
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE)
  install(TARGETS wpconv wpconv-batch RUNTIME DESTINATION .)
  install(FILES ${WPCONV_TEMPLATE} DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  # The zip and its one folder are named for the build: wpconv-VERSION-win32 or -win64.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_PACKAGE_FILE_NAME wpconv-${PROJECT_VERSION}-win64)
  else()
    set(CPACK_PACKAGE_FILE_NAME wpconv-${PROJECT_VERSION}-win32)
  endif()
else()
  include(GNUInstallDirs)
  # The programs look for the template in ../share/wpconv/ from their own folder, so these two
  # places go together.
  install(TARGETS wpconv wpconv-batch RUNTIME DESTINATION bin)
  install(FILES ${WPCONV_TEMPLATE} DESTINATION share/wpconv)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
          DESTINATION ${CMAKE_INSTALL_DOCDIR})

  # The man pages, from their scdoc sources in man/, gzipped as Debian wants them.
  find_program(WPCONV_SCDOC scdoc)
  find_program(WPCONV_GZIP gzip)
  if(WPCONV_SCDOC AND WPCONV_GZIP)
    set(pages)
    foreach(page wpconv.1 wpconv-batch.1)
      set(page_path ${CMAKE_CURRENT_BINARY_DIR}/man/${page})
      configure_file(man/${page}.scd ${page_path}.scd @ONLY)
      # Names of files and programs must not be hyphenated at line ends: .nh after the title
      # line, which turns hyphenation back on.
      add_custom_command(
        OUTPUT ${page_path}.gz
        COMMAND sh -c [["$0" <"$1" >"$2"]] ${WPCONV_SCDOC} ${page_path}.scd ${page_path}
        COMMAND sed -i [[/^\.TH /a .nh]] ${page_path}
        COMMAND sh -c [["$0" -9n <"$1" >"$1.gz"]] ${WPCONV_GZIP} ${page_path}
        DEPENDS ${page_path}.scd
        COMMENT "Making the man page ${page}"
        VERBATIM)
      list(APPEND pages ${page_path}.gz)
    endforeach()
    add_custom_target(man_pages ALL DEPENDS ${pages})
    install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    message(STATUS "scdoc or gzip not found: the man pages are neither made nor installed")
  endif()

  # Debian's own files, for the package only (CPack adds the component `debian`, which a plain
  # `cmake --install` leaves out): the copyright in Debian's machine-readable format, made from
  # LICENSE, and the changelog, gzipped.
  set(debian ${CMAKE_CURRENT_BINARY_DIR}/debian)
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${licence}")
  set(holders ${CMAKE_MATCH_1})
  string(FIND "${licence}" "Permission is hereby granted" start)
  string(SUBSTRING "${licence}" ${start} -1 terms)
  string(STRIP "${terms}" terms)
  string(REPLACE "\n\n" "\n.\n" terms "${terms}")
  string(REPLACE "\n" "\n " terms "${terms}")
  file(WRITE ${debian}/copyright
       "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
       "Upstream-Name: wpconv\n\nFiles: *\nCopyright: ${holders}\nLicense: Expat\n ${terms}\n")
  if(WPCONV_GZIP)
    add_custom_command(
      OUTPUT ${debian}/changelog.gz
      COMMAND sh -c [["$0" -9n <"$1" >"$2"]] ${WPCONV_GZIP}
              ${PROJECT_SOURCE_DIR}/packaging/debian/changelog ${debian}/changelog.gz
      DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
      VERBATIM)
    add_custom_target(debian_changelog ALL DEPENDS ${debian}/changelog.gz)
    install(FILES ${debian}/copyright ${debian}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR}
            COMPONENT debian EXCLUDE_FROM_ALL)
  endif()
  set(CPACK_INSTALL_CMAKE_PROJECTS
      "${CMAKE_BINARY_DIR};wpconv;ALL;/" "${CMAKE_BINARY_DIR};wpconv;debian;/")

  set(WPCONV_MAINTAINER "wpconv maintainers <maintainers@users.noreply.c-seed-85ba5fe4.example>"
      CACHE STRING "The maintainer named in the Debian package")
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${WPCONV_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_SECTION text)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
