# Installation and the Debian packages: halvenmark-updater (the program, its udev rule, desktop
# entry and icon) and halvenmark-updater-tools (the bench and the resource tool).
include(GNUInstallDirs)

if(HALVENMARK_GUI)
    install(TARGETS halvenmark-updater RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT updater)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/udev/70-halvenmark-adapters.rules
        DESTINATION lib/udev/rules.d COMPONENT updater)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/halvenmark-updater.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT updater)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/halvenmark-updater.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT updater)
install(TARGETS halvenmark-bench halvenmark-resources RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)

set(CPACK_PACKAGE_NAME halvenmark-updater)
set(CPACK_PACKAGE_VENDOR "Halvenmark")
set(CPACK_PACKAGE_CONTACT "Halvenmark Firmware Updater developers <updater@halvenmark.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware updater for Halvenmark radio-control devices")
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
set(CPACK_DEBIAN_UPDATER_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/postinst)
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME halvenmark-updater-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS umockdev)  # the bench's emulated USB adapters
set(CPACK_COMPONENT_UPDATER_DESCRIPTION
    "Finds the device on a Halvenmark USB programming adapter, says what it is and which firmware\n it will get, writes it and reads every byte back.")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
    "halvenmark-bench runs the updater against a simulated adapter and device; halvenmark-resources\n makes and lists the images and pictures the updater carries.")
include(CPack)
