# The Windows module: virelo.scr, an executable that also exports the two saver entry
# points. Self-contained: it imports from system DLLs only, those every Windows since 95 has.
enable_language(RC)

set(VIRELO_SCR_SOURCES
    platform/win32/gdi.cpp
    ${VIRELO_WIN32_SOURCES}
    resources/virelo.rc)

add_executable(virelo_scr WIN32 ${VIRELO_SCR_SOURCES})
set_target_properties(virelo_scr PROPERTIES OUTPUT_NAME virelo SUFFIX .scr
                      RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
target_include_directories(virelo_scr PRIVATE ${PROJECT_SOURCE_DIR})
# No C runtime: our own entry, and only the system DLLs' import libraries. libgcc stays
# for the compiler's static helpers (stack probe, 64-bit division), which import nothing.
target_link_libraries(virelo_scr PRIVATE virelo_host virelo_parade virelo_warnings
                      comctl32 gdi32 user32 advapi32 kernel32 gcc)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(_virelo_entry _VireloEntry)  # cdecl names carry an underscore on i386
else()
    set(_virelo_entry VireloEntry)
endif()
# The art is generated into resources/; windres must rebuild when it changes.
set_source_files_properties(resources/virelo.rc PROPERTIES OBJECT_DEPENDS
    "${PROJECT_SOURCE_DIR}/resources/sheet.bmp;${PROJECT_SOURCE_DIR}/resources/mask.bmp;${PROJECT_SOURCE_DIR}/resources/virelo.ico;${PROJECT_SOURCE_DIR}/resources/resource.h;${PROJECT_SOURCE_DIR}/resources/virelo.manifest")
target_link_options(virelo_scr PRIVATE
    -nostdlib -Wl,-e,${_virelo_entry} -s -Wl,--gc-sections -Wl,--file-alignment,512
    "${PROJECT_SOURCE_DIR}/platform/win32/virelo.def")

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    # Loadable by Windows 95/98 (the code is built without SSE for the same reason):
    # subsystem 4.0 (a later one also stops the display settings' preview on old
    # systems), no ASLR/NX flags that old loaders reject.
    target_link_options(virelo_scr PRIVATE -Wl,--subsystem,windows:4.0
        -Wl,--major-os-version,4 -Wl,--minor-os-version,0
        -Wl,--disable-dynamicbase -Wl,--disable-nxcompat -Wl,--disable-reloc-section
        -Wl,--enable-stdcall-fixup)
    # ld writes a relocation table for any executable with exports, whatever it is told; an
    # executable without ASLR always gets its preferred base, so the table is dead weight.
    add_custom_command(TARGET virelo_scr POST_BUILD
        COMMAND ${CMAKE_STRIP} -R .reloc $<TARGET_FILE:virelo_scr> VERBATIM)
endif()

if(EXISTS ${PROJECT_SOURCE_DIR}/tests/wine/CMakeLists.txt)
    enable_testing()
    add_subdirectory(tests/wine)
endif()
