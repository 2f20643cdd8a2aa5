# What a Windows build needs beyond its own code: the MinGW runtime DLLs, and,
# when cross-compiled, a way to run its programs here (under Wine) for the
# build steps and tests that run them.
if(NOT WIN32)
    return()
endif()

# The three runtime DLLs the MinGW compiler links against.
set(CAC_MINGW_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "the MinGW runtime ${dll} was not found (${path})")
    endif()
    list(APPEND CAC_MINGW_RUNTIME_DLLS ${path})
endforeach()

get_filename_component(CAC_QT_BIN_DIR "${Qt6_DIR}/../../../bin" ABSOLUTE)

if(CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX)
    # Runs a program of this build under Wine, its DLLs found through WINEPATH.
    set(CAC_WINE_PATH "${CAC_QT_BIN_DIR}")
    foreach(dll IN LISTS CAC_MINGW_RUNTIME_DLLS)
        get_filename_component(folder ${dll} DIRECTORY)
        list(APPEND CAC_WINE_PATH ${folder})
    endforeach()
    list(REMOVE_DUPLICATES CAC_WINE_PATH)
    list(TRANSFORM CAC_WINE_PATH PREPEND "Z:")
    string(REPLACE ";" "\\;" CAC_WINE_PATH "${CAC_WINE_PATH}")
    configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                    WORLD_READ WORLD_EXECUTE
                   @ONLY)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()
