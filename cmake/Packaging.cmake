# Installing and the Debian package (scripts/package runs CPack's DEB generator on these rules).
#
# Everything goes below the install prefix (/usr in the package): the three programs, their manual
# pages, the bash completion, the desktop entry, the AppStream metadata, the document types, the
# application icon in the hicolor theme, the copyright file and the changelog. Manual pages and the
# changelog are compressed as Debian wants them; PNG sizes of the icon are rendered from its SVG.

set(QUORVANE_PACKAGE_FILES ${CMAKE_BINARY_DIR}/package)
file(MAKE_DIRECTORY ${QUORVANE_PACKAGE_FILES})
find_program(QUORVANE_GZIP gzip REQUIRED)

# The changelog's newest entry must name the version above, so the package and --version agree.
file(STRINGS res/debian/changelog QUORVANE_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT QUORVANE_CHANGELOG_TOP MATCHES "^quorvane \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "res/debian/changelog begins with \"${QUORVANE_CHANGELOG_TOP}\"; its newest entry must be "
        "version ${PROJECT_VERSION}, the version in CMakeLists.txt")
endif()

set(QUORVANE_COMPRESSED)
function(quorvane_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND ${QUORVANE_GZIP} -9 -n -c ${source} > ${output}
        DEPENDS ${source}
        COMMENT "Compressing ${output}")
    set(QUORVANE_COMPRESSED ${QUORVANE_COMPRESSED} ${output} PARENT_SCOPE)
endfunction()

# Manual pages: the window program's and the bridge's are written by hand, quorvane-cli's is made
# from its own help texts (see quorvane-cli-docs).
foreach(page quorvane quorvane-browser)
    configure_file(res/man/${page}.1 ${QUORVANE_PACKAGE_FILES}/${page}.1 @ONLY)
    quorvane_gzip(${QUORVANE_PACKAGE_FILES}/${page}.1 ${QUORVANE_PACKAGE_FILES}/${page}.1.gz)
endforeach()
quorvane_gzip(${CMAKE_BINARY_DIR}/quorvane-cli.1 ${QUORVANE_PACKAGE_FILES}/quorvane-cli.1.gz)
quorvane_gzip(${CMAKE_SOURCE_DIR}/res/debian/changelog ${QUORVANE_PACKAGE_FILES}/changelog.gz)

# The application icon at the usual sizes of the hicolor theme, besides the scalable SVG.
set(QUORVANE_ICON_SIZES 16 22 24 32 48 64 128 256)
find_program(QUORVANE_RSVG rsvg-convert)
set(QUORVANE_ICON_PNGS)
if(QUORVANE_RSVG)
    foreach(size ${QUORVANE_ICON_SIZES})
        set(png ${QUORVANE_PACKAGE_FILES}/icons/${size}/quorvane.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVANE_PACKAGE_FILES}/icons/${size}
            COMMAND ${QUORVANE_RSVG} -w ${size} -h ${size} -o ${png} ${CMAKE_SOURCE_DIR}/res/icons/quorvane.svg
            DEPENDS ${CMAKE_SOURCE_DIR}/res/icons/quorvane.svg
            COMMENT "Rendering the ${size}x${size} application icon")
        list(APPEND QUORVANE_ICON_PNGS ${png})
        install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
    endforeach()
else()
    message(STATUS "rsvg-convert not found (librsvg2-bin): only the scalable application icon is installed")
endif()
add_custom_target(quorvane-package-files ALL DEPENDS ${QUORVANE_COMPRESSED} ${QUORVANE_ICON_PNGS})
add_dependencies(quorvane-package-files quorvane-cli-docs)

configure_file(res/linux/org.orvel.Quorvane.metainfo.xml ${QUORVANE_PACKAGE_FILES}/org.orvel.Quorvane.metainfo.xml
    @ONLY)

install(FILES ${QUORVANE_PACKAGE_FILES}/quorvane-cli.1.gz DESTINATION share/man/man1)
if(QUORVANE_GUI)
    install(FILES ${QUORVANE_PACKAGE_FILES}/quorvane.1.gz ${QUORVANE_PACKAGE_FILES}/quorvane-browser.1.gz
        DESTINATION share/man/man1)
endif()
install(FILES ${CMAKE_BINARY_DIR}/quorvane-cli.bash DESTINATION share/bash-completion/completions
    RENAME quorvane-cli)
install(FILES res/linux/org.orvel.Quorvane.desktop DESTINATION share/applications)
install(FILES ${QUORVANE_PACKAGE_FILES}/org.orvel.Quorvane.metainfo.xml DESTINATION share/metainfo)
install(FILES res/linux/quorvane-mime.xml DESTINATION share/mime/packages)
install(FILES res/icons/quorvane.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES res/debian/copyright ${QUORVANE_PACKAGE_FILES}/changelog.gz DESTINATION share/doc/quorvane)

# --- The Debian package ------------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quorvane Developers <info@quorvane.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "password-card manager for the desktop")
# CPack puts the summary on the Description's first line and this below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quorvane keeps secrets (web logins, PINs, card and account numbers, software
keys) as cards in fifteen categories. A collection of cards is a card document,
saved plain or enciphered under a password; any other file can be encrypted
under a separate file-encryption password.
.
The package holds the window program (quorvane), its command-line companion
for scripts (quorvane-cli), and quorvane-browser, which lets the browser
commands drive an unmodified Chromium.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quorvane.example.org")
# Libraries come from the programs themselves; Qt's SVG icon engine is a plugin nobody links, and the
# window program does not start without a session bus.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, default-dbus-session-bus | dbus-session-bus")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "chromium")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
