# Runs at install time (cmake --install, CPack), when the prefix is known for certain: writes
# the unit with the installed program's path and installs it with the environment file.
# /usr keeps its settings in /etc, like GNUInstallDirs has it.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(SYSCONFDIR /etc)
else()
    set(SYSCONFDIR ${CMAKE_INSTALL_PREFIX}/etc)
endif()
set(BINDIR ${CMAKE_INSTALL_PREFIX}/${SWEEPORA_BINDIR})
configure_file(${SWEEPORA_UNIT_SOURCE} ${SWEEPORA_UNIT_BUILT} @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/lib/systemd/system" TYPE FILE FILES "${SWEEPORA_UNIT_BUILT}")
# It may come to hold the SMTP password.
file(INSTALL DESTINATION "${SYSCONFDIR}/default" TYPE FILE RENAME sweepora-service
     PERMISSIONS OWNER_READ OWNER_WRITE FILES "${SWEEPORA_UNIT_DEFAULTS}")
