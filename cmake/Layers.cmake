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
    set_property(GLOBAL APPEND PROPERTY ZAV41K_LAYERS ${target})
endfunction()

# The layers that `target` links, directly or through others.
function(zav41k_layers_below target out)
    set(below)
    set(todo ${target})
    while(todo)
        list(POP_FRONT todo current)
        get_target_property(links ${current} INTERFACE_LINK_LIBRARIES)
        string(REGEX MATCHALL "zav41k_[a-z_]+" links "${links}")
        foreach(link IN LISTS links)
            if(NOT link IN_LIST below)
                list(APPEND below ${link})
                list(APPEND todo ${link})
            endif()
        endforeach()
    endwhile()
    set(${out} ${below} PARENT_SCOPE)
endfunction()

# Two layers that link each other could include each other: the build refuses it.
function(zav41k_refuse_layer_cycles)
    get_property(layers GLOBAL PROPERTY ZAV41K_LAYERS)
    foreach(layer IN LISTS layers)
        zav41k_layers_below(${layer} below)
        if(layer IN_LIST below)
            message(FATAL_ERROR "the layer ${layer} links itself through another: layers must "
                                "not depend on each other")
        endif()
    endforeach()
endfunction()

# Precompiled Qt headers, one set for each kind of target: the first target of a kind compiles
# them and the others reuse them (REUSE_FROM), so each set is compiled once per build.
set(ZAV41K_CORE_HEADERS <QObject> <QString> <QStringList> <QByteArray> <QLocale> <QTimer> <QDir>
    <QFile> <functional> <optional>)
set(ZAV41K_WIDGETS_HEADERS ${ZAV41K_CORE_HEADERS} <QApplication> <QWidget> <QLabel>
    <QPushButton> <QDialog> <QScreen> <QKeyEvent>)
set(ZAV41K_TEST_HEADERS ${ZAV41K_WIDGETS_HEADERS} <QTest> <QTemporaryDir> <QProcess>
    <QElapsedTimer> <QDBusConnection> <QDBusMessage>)
