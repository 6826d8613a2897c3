# The Debian package: `cpack -G DEB` in a build folder (scripts/package does it all).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zav41k)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The ZAV41K developers <developers@zav41k.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "show and publish the readings of a ZAV-41K film-dosimetry reader")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "ZAV41K receives the readings of a ZAV-41K film-dosimetry reader attached to a serial
port, shows the absorbance, the wavelength and the range status in one small window,
alerts on line errors and when readings stop arriving, and publishes the same values
on the session bus, where other programs follow every reading.
.
The package also holds zav41k-link, a command-line link client, zav41k-mqtt, which
sends the readings on to an MQTT broker, and zav41k-sim, a reader simulator on a
pseudo-terminal, and a LibreOffice Calc function, ZAV41K, whose cells follow the
readings.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt and C++ libraries come from the binaries themselves; what they load at run time does not.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Python's GLib bindings are what the spreadsheet function follows the bus with: small, and
# without them every cell of it would only say that they are missing. Qt's SQLite driver is a
# plug-in the dosimetry program loads for its record.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-liberation, python3-gi, libqt6sql6-sqlite")
# Without a session bus the window still works, but nothing is published. Qt's PostgreSQL
# driver is for a lab whose stations share a record on its server.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "dbus-user-session | dbus-x11, libqt6sql6-psql")
# The spreadsheet function, a bundled extension of LibreOffice Calc, needs Calc and its Python
# UNO bridge, which the programs do not.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-calc, python3-uno")
set(CPACK_STRIP_FILES ON)
include(CPack)
