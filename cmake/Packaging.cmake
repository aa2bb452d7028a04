# Desktop integration (icons, AppStream metadata, man pages) and the Debian package that
# `cmake --build BUILD --target package` makes.
include(GNUInstallDirs)

set(ZENTRAVA_HOMEPAGE "https://zentrava.example.org/" CACHE STRING "Home page named by the package")
set(ZENTRAVA_MAINTAINER "Zentrava Pro developers <zentrava@example.org>" CACHE STRING
  "Maintainer named by the package")

configure_file(${CMAKE_SOURCE_DIR}/res/zentrava.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/res/zentrava.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/res/zentrava.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Fixed-size icons for menus and docks that do not draw SVG, rendered from the one SVG.
find_package(Qt6 REQUIRED COMPONENTS Svg)
add_executable(zentrava-render-icon ${CMAKE_SOURCE_DIR}/cmake/RenderIcon.cpp)
target_link_libraries(zentrava-render-icon PRIVATE Qt6::Svg Qt6::Gui)
set(icon_files)
foreach(size 48 256)
  set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/zentrava.png)
  add_custom_command(OUTPUT ${png}
    COMMAND zentrava-render-icon ${CMAKE_SOURCE_DIR}/res/zentrava.svg ${size} ${png}
    DEPENDS zentrava-render-icon ${CMAKE_SOURCE_DIR}/res/zentrava.svg
    VERBATIM)
  list(APPEND icon_files ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(zentrava_icons ALL DEPENDS ${icon_files})

# Man pages made from each program's own --help, compressed as Debian ships them.
find_program(HELP2MAN help2man REQUIRED)
set(man_pages)
foreach(program IN ITEMS zentrava zentrava-cli)
  if(program STREQUAL "zentrava")
    set(what "desktop client for FTP, FTPS and SFTP")
  else()
    set(what "FTP, FTPS and SFTP client for the terminal")
  endif()
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${HELP2MAN} --no-info --version-string=${PROJECT_VERSION} --name=${what}
      --output=${page} $<TARGET_FILE:${program}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${program}
    VERBATIM)
  list(APPEND man_pages ${page}.gz)
endforeach()
add_custom_target(zentrava_man ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zentrava)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${ZENTRAVA_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "file-transfer client for FTP, FTPS and SFTP")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Zentrava Pro keeps a tree of saved sites, opens one connection window per site"
  "and moves files both ways through a transfer queue, over FTP, FTP over TLS"
  "(explicit and implicit) and SFTP. The package holds the desktop client zentrava"
  "and zentrava-cli, which drives the same core from a terminal.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ZENTRAVA_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as plugins, so dpkg-shlibdeps cannot see them: the SVG icon engine draws the program's icon.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# The window speaks Traditional Chinese: Qt's own buttons in it, and a font that has its characters.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-noto-cjk")
include(CPack)
