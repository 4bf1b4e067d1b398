# Installation and the Debian package: the three programs and the demo launcher, the favourites schema, the desktop
# entry, the AppStream metainfo and the application icon in every size a desktop theme asks
# for. Each rule names the "Runtime" component, the only one packaged, so an install rule
# without a component (from a test or benchmark, say) cannot slip into the package.
include(GNUInstallDirs)

set(QUENBO_APP_ID org.quenbo.Quenbo)

install(TARGETS quenbo quenbo-pack quenbo-sandbox
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/tools/demo/quenbo-demo
  DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
install(FILES ${CMAKE_SOURCE_DIR}/data/schema.sql
  DESTINATION ${CMAKE_INSTALL_DATADIR}/quenbo COMPONENT Runtime)
install(FILES ${CMAKE_SOURCE_DIR}/data/${QUENBO_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT Runtime)
install(FILES ${CMAKE_SOURCE_DIR}/data/${QUENBO_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT Runtime)

# The icon is drawn by our own artwork code at build time, one PNG per size, into a hicolor
# tree in the build folder. The drawing program may be built with sanitizers and needs no
# display, hence its environment.
set(_quenbo_icons "")
foreach(_size IN ITEMS 16 24 32 48 64 128 256)
  set(_dir ${CMAKE_BINARY_DIR}/icons/hicolor/${_size}x${_size}/apps)
  set(_icon ${_dir}/${QUENBO_APP_ID}.png)
  add_custom_command(OUTPUT ${_icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_dir}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:quenbo-icon> --size ${_size} --out ${_icon}
    DEPENDS quenbo-icon
    COMMENT "Drawing the ${_size}x${_size} application icon"
    VERBATIM)
  list(APPEND _quenbo_icons ${_icon})
  install(FILES ${_icon}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps COMPONENT Runtime)
endforeach()
add_custom_target(quenbo_icons ALL DEPENDS ${_quenbo_icons})

# One .deb named the Debian way (quenbo_0.1_amd64.deb), holding the Runtime component only.
# The shared libraries the programs link (Qt, libcurl, libzip, libjpeg, ...) become
# dependencies through dpkg-shlibdeps; the CJK fonts the program substitutes at run time are
# not linked, so they are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quenbo)
set(CPACK_PACKAGE_VENDOR Quenbo)
set(CPACK_PACKAGE_CONTACT "Quenbo developers <developers@quenbo.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://www.quenbo.example/)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop shopping guide for an affiliate marketplace")
# CPack puts the summary in front of this text as the first line of the description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Quenbo browses the category tree of the Taobao open platform, searches affiliate
items by keyword or category and shows each item with its picture, seller, price,
seller credit, cash-back amount and 30-day sales. Items, their cash-back addresses
and their shops open in the web browser; favourites are kept in a local database.
.
The package also holds quenbo-pack, which writes the resource archive with the
platform keys, and quenbo-sandbox, a local stand-in for the platform gateway.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Runtime)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

set(CPACK_DEBIAN_PACKAGE_NAME quenbo)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-noto-cjk)

include(CPack)
