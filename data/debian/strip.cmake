# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack once the package's files are staged: strips the executable as Debian's own tools do and
# keeps its debugging information apart, as selvaro.debug beside the package (not packaged), linked
# to the executable by name and build ID so that a debugger finds it.
file(GLOB_RECURSE executables "${CPACK_TEMPORARY_DIRECTORY}/*/bin/selvaro")
foreach(exe IN LISTS executables)
    set(debug "${CPACK_PACKAGE_DIRECTORY}/selvaro.debug")
    execute_process(COMMAND "${CPACK_SELVARO_OBJCOPY}" --only-keep-debug --compress-debug-sections "${exe}" "${debug}"
                    COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND "${CPACK_SELVARO_STRIP}" --remove-section=.comment --remove-section=.note "${exe}"
                    COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND "${CPACK_SELVARO_OBJCOPY}" "--add-gnu-debuglink=${debug}" "${exe}"
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
if(NOT executables)
    message(FATAL_ERROR "strip.cmake: no bin/selvaro under ${CPACK_TEMPORARY_DIRECTORY}")
endif()
