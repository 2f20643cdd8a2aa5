# The program's icon and version information in the Windows executables: the
# icon is rendered from the project's SVG at build time into one .ico of the
# sizes Explorer, the taskbar and the Start menu ask for, and each executable
# gets it (as IDI_ICON1, the name Qt's window takes its icon from) with a
# VERSIONINFO block of its own.
if(NOT WIN32)
    return()
endif()
enable_language(RC)

find_program(CAC_RSVG_CONVERT rsvg-convert REQUIRED) # librsvg2-bin
find_program(CAC_ICOTOOL icotool REQUIRED) # icoutils

set(CAC_PUBLISHER "The CAN Adapter Config developers")
set(CAC_WINDOWS_ICON ${CMAKE_BINARY_DIR}/can-adapter-config.ico)
set(icon_svg ${CMAKE_SOURCE_DIR}/packaging/can-adapter-config.svg)
set(icon_pngs)
set(icon_commands)
foreach(size 16 24 32 48 64 256)
    set(png ${CMAKE_BINARY_DIR}/icon/can-adapter-config-${size}.png)
    list(APPEND icon_pngs ${png})
    list(APPEND icon_commands COMMAND ${CAC_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${icon_svg})
endforeach()
# The 256-pixel image stays PNG-compressed inside the .ico, as Windows stores it.
list(POP_BACK icon_pngs icon_256)
add_custom_command(
    OUTPUT ${CAC_WINDOWS_ICON}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icon
    ${icon_commands}
    COMMAND ${CAC_ICOTOOL} -c -o ${CAC_WINDOWS_ICON} ${icon_pngs} --raw=${icon_256}
    DEPENDS ${icon_svg}
    COMMENT "Rendering the Windows icon"
    VERBATIM)
add_custom_target(cac_windows_icon DEPENDS ${CAC_WINDOWS_ICON})

# Gives `target` the icon and a VERSIONINFO saying `description`.
function(cac_windows_resources target description)
    set(CAC_RC_NAME ${target})
    set(CAC_RC_DESCRIPTION ${description})
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/Program.rc.in ${rc} @ONLY)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${CAC_WINDOWS_ICON})
    target_sources(${target} PRIVATE ${rc})
    add_dependencies(${target} cac_windows_icon)
endfunction()
