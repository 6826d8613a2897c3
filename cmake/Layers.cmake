# Each source folder is a layer. A target sees the headers of its own folder and of the targets
# it links, and nothing else: its include folder in the build tree holds one link, to its own
# source folder, and the source root itself is on no include path. An include of a layer that
# the target does not link therefore fails to build.
function(zav41k_layer target)
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(root ${PROJECT_BINARY_DIR}/layers/${folder})
    if(NOT EXISTS ${root}/${folder})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    endif()
    target_include_directories(${target} PUBLIC ${root})
endfunction()

# Precompiled Qt headers, one set for each kind of target: the first target of a kind compiles
# them and the others reuse them (REUSE_FROM), so each set is compiled once per build.
set(ZAV41K_CORE_HEADERS <QObject> <QString> <QStringList> <QByteArray> <QLocale> <QTimer> <QDir>
    <QFile> <functional> <optional>)
set(ZAV41K_WIDGETS_HEADERS ${ZAV41K_CORE_HEADERS} <QApplication> <QWidget> <QLabel>
    <QPushButton> <QDialog> <QScreen> <QKeyEvent>)
set(ZAV41K_TEST_HEADERS ${ZAV41K_WIDGETS_HEADERS} <QTest> <QTemporaryDir> <QProcess>
    <QElapsedTimer> <QDBusConnection> <QDBusMessage>)
