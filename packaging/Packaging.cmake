# Installation and the Debian packages: halvenmark-updater (the program, the connection doctor,
# the udev rule, desktop entry and icon) and halvenmark-updater-tools (the bench and the resource
# tool), each with its manual pages, copyright file and changelog.
include(GNUInstallDirs)
include(${PROJECT_SOURCE_DIR}/cmake/ResourceManifest.cmake)

set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(staged ${CMAKE_BINARY_DIR}/packaging)
find_program(GZIP gzip REQUIRED)

# A file compressed as Debian installs them (no time stamp, so the package is the same each time).
function(halvenmark_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND ${GZIP} -9nc ${source} > ${output}
        DEPENDS ${source} VERBATIM)
    string(MAKE_C_IDENTIFIER "gzip_${output}" target)
    add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

# Each package's documentation: the copyright file and a changelog of its own name.
foreach(component updater tools)
    if(component STREQUAL "updater")
        set(package halvenmark-updater)
    else()
        set(package halvenmark-updater-tools)
    endif()
    set(PACKAGE ${package})
    set(VERSION ${PROJECT_VERSION})
    configure_file(${packaging}/changelog.in ${staged}/${package}/changelog @ONLY)
    halvenmark_gzip(${staged}/${package}/changelog ${staged}/${package}/changelog.gz)
    install(FILES ${packaging}/copyright ${staged}/${package}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

# The manual pages, each with its program.
foreach(program halvenmark-updater halvenmark-doctor halvenmark-bench halvenmark-resources)
    halvenmark_gzip(${packaging}/man/${program}.1 ${staged}/man/${program}.1.gz)
endforeach()

if(HALVENMARK_GUI)
    install(TARGETS halvenmark-updater RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT updater)
    install(FILES ${staged}/man/halvenmark-updater.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT updater)
endif()
install(TARGETS halvenmark-doctor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT updater)
install(FILES ${staged}/man/halvenmark-doctor.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT updater)
install(FILES ${packaging}/udev/70-halvenmark-adapters.rules
        DESTINATION lib/udev/rules.d COMPONENT updater)
install(FILES ${packaging}/halvenmark-updater.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT updater)
install(FILES ${packaging}/halvenmark-updater.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT updater)
install(TARGETS halvenmark-bench halvenmark-resources RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT tools)
install(FILES ${staged}/man/halvenmark-bench.1.gz ${staged}/man/halvenmark-resources.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)

# A package built with placeholder images says so: it identifies devices but flashes none.
halvenmark_read_manifest(${PROJECT_SOURCE_DIR}/resources/manifest.txt store)
set(placeholders OFF)
foreach(key IN LISTS store_KEYS)
    if(key MATCHES "^JPG_" AND store_${key}_ORIGIN STREQUAL "placeholder")
        set(placeholders ON)
    endif()
endforeach()

set(CPACK_PACKAGE_NAME halvenmark-updater)
set(CPACK_PACKAGE_VENDOR "Halvenmark")
set(CPACK_PACKAGE_CONTACT "Halvenmark Firmware Updater developers <updater@halvenmark.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL updater tools)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # dependencies from the libraries the programs link
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_UPDATER_PACKAGE_NAME halvenmark-updater)
set(CPACK_DEBIAN_UPDATER_PACKAGE_RECOMMENDS udev)
set(CPACK_DEBIAN_UPDATER_PACKAGE_CONTROL_EXTRA ${packaging}/postinst)
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME halvenmark-updater-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS umockdev)  # the bench's emulated USB adapters

# The first line is the synopsis; the others, of at most 80 characters, the description.
string(CONCAT CPACK_DEBIAN_UPDATER_DESCRIPTION
    "Firmware updater for Halvenmark radio-control devices\n"
    "Finds the device on a Halvenmark USB programming adapter (Device Programmer,\n"
    "Telemetry Station or Serial Link), says what it is and which firmware it will\n"
    "get, writes it and reads every byte back.\n"
    ".\n"
    "halvenmark-doctor, in this package, says why no adapter opens and what fixes\n"
    "it.")
if(placeholders)
    string(APPEND CPACK_DEBIAN_UPDATER_DESCRIPTION
        "\n.\nThis build carries placeholder firmware images, not the product's: on its\n"
        "own it identifies devices; flashes none. It flashes with a firmware pack of\n"
        "the product's images (halvenmark-updater --install-firmware PACK).")
endif()
string(CONCAT CPACK_DEBIAN_TOOLS_DESCRIPTION
    "Developer tools of the Halvenmark Firmware Updater\n"
    "halvenmark-bench runs the updater against a simulated adapter and device, or\n"
    "through libftdi1 and libusb to emulated adapters; halvenmark-resources makes,\n"
    "lists and replaces the images and pictures the updater carries.")
include(CPack)
