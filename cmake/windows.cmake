# The Windows module: virelo.scr, an executable that also exports the two saver entry
# points. Self-contained: it imports from system DLLs only, those every Windows since 95 has.
enable_language(RC)

set(VIRELO_SCR_SOURCES
    platform/win32/gdi.cpp
    ${VIRELO_WIN32_SOURCES}
    resources/virelo.rc)

# The version is typed once, in project(). Windows wants four numbers: the resources get
# them from a header, the manifest is configured, and version.txt is read by
# scripts/package (the installers) and by the tests.
set(_virelo_version ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH}
    ${PROJECT_VERSION_TWEAK} 0 0 0)
list(SUBLIST _virelo_version 0 4 _virelo_version)
list(JOIN _virelo_version "." VIRELO_VERSION)
list(JOIN _virelo_version ", " _virelo_version_numbers)
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/virelo_version.h
     CONTENT "#define VIRELO_VERSION_NUMBERS ${_virelo_version_numbers}\n")
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/version.txt CONTENT "${VIRELO_VERSION}\n")
configure_file(resources/virelo.manifest.in ${PROJECT_BINARY_DIR}/virelo.manifest @ONLY)

add_executable(virelo_scr WIN32 ${VIRELO_SCR_SOURCES})
set_target_properties(virelo_scr PROPERTIES OUTPUT_NAME virelo SUFFIX .scr
                      RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
target_include_directories(virelo_scr PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
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
    "${PROJECT_SOURCE_DIR}/resources/sheet.bmp;${PROJECT_SOURCE_DIR}/resources/mask.bmp;${PROJECT_SOURCE_DIR}/resources/virelo.ico;${PROJECT_SOURCE_DIR}/resources/resource.h;${PROJECT_BINARY_DIR}/virelo.manifest;${PROJECT_BINARY_DIR}/virelo_version.h")
# No time stamp in the headers (ld would write the build's time): the same commit gives the
# same module byte for byte.
target_link_options(virelo_scr PRIVATE
    -nostdlib -Wl,-e,${_virelo_entry} -s -Wl,--gc-sections -Wl,--file-alignment,512
    -Wl,--no-insert-timestamp
    "${PROJECT_SOURCE_DIR}/platform/win32/virelo.def")

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    # Loadable by Windows 95/98 (the code is built without SSE for the same reason):
    # subsystem 4.0 (a later one also stops the display settings' preview on old
    # systems), no ASLR/NX flags that old loaders reject.
    target_link_options(virelo_scr PRIVATE -Wl,--subsystem,windows:4.0
        -Wl,--major-os-version,4 -Wl,--minor-os-version,0
        -Wl,--disable-dynamicbase -Wl,--disable-nxcompat -Wl,--disable-reloc-section
        -Wl,--enable-stdcall-fixup)
    # An executable without ASLR always gets its preferred base: no relocation table, and
    # the header says so.
    add_custom_command(TARGET virelo_scr POST_BUILD
        COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/strip-relocs.sh ${CMAKE_STRIP}
                $<TARGET_FILE:virelo_scr> VERBATIM)
endif()

if(EXISTS ${PROJECT_SOURCE_DIR}/tests/wine/CMakeLists.txt)
    enable_testing()
    add_subdirectory(tests/wine)
endif()
