# Builds every case's target in one go, going on after failures: each must fail because the
# header of the other layer is not found, and layercheck_builds must build.
set(targets layercheck_builds)
foreach(case IN LISTS CASES)
    string(REPLACE "=" ";" parts "${case}")
    list(GET parts 0 target)
    list(APPEND targets ${target})
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target ${targets} -- -k 0
                OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(output MATCHES "FAILED: [^\n]*layercheck_builds")
    message(FATAL_ERROR "the case that must build did not:\n${output}")
endif()
set(count 0)
foreach(case IN LISTS CASES)
    string(REPLACE "=" ";" parts "${case}")
    list(GET parts 0 target)
    list(GET parts 1 header)
    string(REGEX REPLACE "^layercheck_" "" name ${target})
    # GCC says "fatal error: H: No such file or directory", clang "fatal error: 'H' file not found".
    if(NOT output MATCHES "${name}\\.cpp:[0-9]+:[0-9]+: fatal error: ('${header}' file not found|${header}: No such file or directory)")
        message(FATAL_ERROR "${name} includes ${header} across the layers, and was not refused "
                            "for it:\n${output}")
    endif()
    math(EXPR count "${count} + 1")
endforeach()
message(STATUS "${count} includes across the layers refused, as they must be")
