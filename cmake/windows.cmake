# The Windows executable: GUI subsystem, statically linked so that it
# imports system DLLs only.
enable_language(RC)

# shell32, version and user32 are loaded only when a route calls into them:
# loading them costs more than the rest of a run. The registry calls are
# delay-loaded too, so that they, like the version calls, can be bound to
# the already loaded kernelbase (platform/delay_binding_win32.cpp). The
# settings program's common controls, dialogs and COM come the same way, as
# does the setup program's signature check (wintrust).
set(VELQUIN_DELAY_LIBS)
foreach(dll advapi32 shell32 version user32 comctl32 comdlg32 ole32 wintrust)
  set(lib ${CMAKE_BINARY_DIR}/lib${dll}_delay.a)
  set(def ${CMAKE_SOURCE_DIR}/cmake/delayload/${dll}.def)
  # The x86_64 copy below is written when configuring: a changed list must
  # configure again.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    # x86_64 names carry no stack-size suffix.
    file(READ ${def} exports)
    string(REGEX REPLACE "@[0-9]+" "" exports "${exports}")
    set(def ${CMAKE_BINARY_DIR}/${dll}.def)
    file(WRITE ${def} "${exports}")
  endif()
  add_custom_command(OUTPUT ${lib}
    COMMAND ${CMAKE_DLLTOOL} --kill-at --dllname ${dll}.dll --def ${def} --output-delaylib ${lib}
    DEPENDS ${def})
  list(APPEND VELQUIN_DELAY_LIBS ${lib})
endforeach()
add_custom_target(velquin_delay_libs DEPENDS ${VELQUIN_DELAY_LIBS})
target_compile_definitions(velquin_platform PUBLIC WIN32_LEAN_AND_MEAN)

# The manifests with the version filled in, where windres looks for the
# files the resources name.
set(VELQUIN_GENERATED ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/resources/velquin.manifest.in ${VELQUIN_GENERATED}/velquin.manifest @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/settings_window/velquin-settings.manifest.in
  ${VELQUIN_GENERATED}/velquin-settings.manifest @ONLY)

# The DLL binding runs before any C++ code and inside the delay-load helper;
# no C++ exception ever passes through its frames, so on i686, where
# structured exceptions walk a chain of frames, they need no unwind tables
# (bytes in every copy of the programs). x86_64 keeps them: there every
# stack walk, an exception's or a profiler's, reads a calling function's
# frame from its table, and a function without one is taken for a leaf.
set_source_files_properties(${CMAKE_SOURCE_DIR}/platform/delay_binding_win32.cpp PROPERTIES
  COMPILE_OPTIONS "-fno-exceptions")
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set_property(SOURCE ${CMAKE_SOURCE_DIR}/platform/delay_binding_win32.cpp APPEND PROPERTY
    COMPILE_OPTIONS "-fno-asynchronous-unwind-tables")
endif()

# The launcher executable; the Wine tests build variants of it with test
# definitions (never the shipped one).
function(velquin_add_launcher name)
  add_executable(${name} WIN32
    ${CMAKE_SOURCE_DIR}/launcher/main_win32.cpp
    ${CMAKE_SOURCE_DIR}/launcher/terminate_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/delay_binding_win32.cpp
    ${CMAKE_SOURCE_DIR}/platform/os_win32.cpp
    ${CMAKE_SOURCE_DIR}/resources/velquin.rc
  )
  target_compile_options(${name} PRIVATE ${VELQUIN_WARNINGS} -Os -ffunction-sections -fdata-sections)
  add_dependencies(${name} velquin_delay_libs)
  target_link_libraries(${name} PRIVATE velquin_launcher ${VELQUIN_DELAY_LIBS})
  target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections -Wl,--no-insert-timestamp)
  target_include_directories(${name} PRIVATE ${VELQUIN_GENERATED})
endfunction()
# windres names these files itself; CMake cannot see them.
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/velquin.rc PROPERTIES OBJECT_DEPENDS
  "${VELQUIN_GENERATED}/velquin.manifest;${CMAKE_SOURCE_DIR}/resources/velquin-boxes.manifest;${CMAKE_SOURCE_DIR}/resources/velquin.ico")
set_source_files_properties(${CMAKE_SOURCE_DIR}/settings_window/velquin_settings.rc PROPERTIES OBJECT_DEPENDS
  "${VELQUIN_GENERATED}/velquin-settings.manifest;${CMAKE_SOURCE_DIR}/resources/velquin.ico")
velquin_add_launcher(velquin)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64" AND EXISTS ${CMAKE_SOURCE_DIR}/tests/wine/CMakeLists.txt)
  add_subdirectory(tests/wine)
endif()

# Small code: the launcher runs on every double-click and should load fast.
foreach(room platform settings browser launcher)
  target_compile_options(velquin_${room} PRIVATE -Os -ffunction-sections -fdata-sections)
endforeach()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  add_subdirectory(bench)
endif()

# The settings program: the dialog over the same settings code; comctl32
# for the visual styles, comdlg32 for the open dialog, ole32 and shell32
# for its Start-menu shortcut.
add_executable(velquin-settings WIN32
  ${CMAKE_SOURCE_DIR}/settings_window/main_win32.cpp
  ${CMAKE_SOURCE_DIR}/settings_window/dialog_win32.cpp
  ${CMAKE_SOURCE_DIR}/settings_window/shortcut_win32.cpp
  ${CMAKE_SOURCE_DIR}/platform/delay_binding_win32.cpp
  ${CMAKE_SOURCE_DIR}/platform/os_win32.cpp
  ${CMAKE_SOURCE_DIR}/platform/os_change_win32.cpp
  ${CMAKE_SOURCE_DIR}/settings_window/velquin_settings.rc
)
target_compile_definitions(velquin-settings PRIVATE UNICODE _UNICODE)
target_include_directories(velquin-settings PRIVATE ${VELQUIN_GENERATED})
target_compile_options(velquin-settings PRIVATE ${VELQUIN_WARNINGS} -Os -ffunction-sections -fdata-sections)
# Its system DLLs are taken the launcher's way, none at load time: a
# load-time import is searched for in the program's folder before its entry
# can limit the search, and comctl32 and version.dll (which Wine's user32
# imports) are no known DLLs.
add_dependencies(velquin-settings velquin_delay_libs)
target_link_libraries(velquin-settings PRIVATE velquin_settings_window ${VELQUIN_DELAY_LIBS} uuid)
target_link_options(velquin-settings PRIVATE -municode -static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections -Wl,--no-insert-timestamp)

# The setup program: a console program that installs and uninstalls; it
# asks for no elevation itself (asInvoker), the machine-wide forms refuse
# without it.
configure_file(${CMAKE_SOURCE_DIR}/setup/velquin-setup.manifest.in ${VELQUIN_GENERATED}/velquin-setup.manifest @ONLY)
set_source_files_properties(${CMAKE_SOURCE_DIR}/setup/velquin_setup.rc PROPERTIES OBJECT_DEPENDS
  "${VELQUIN_GENERATED}/velquin-setup.manifest;${CMAKE_SOURCE_DIR}/resources/velquin.ico")
add_executable(velquin-setup
  ${CMAKE_SOURCE_DIR}/setup/main_win32.cpp
  ${CMAKE_SOURCE_DIR}/platform/delay_binding_win32.cpp
  ${CMAKE_SOURCE_DIR}/platform/os_win32.cpp
  ${CMAKE_SOURCE_DIR}/platform/os_change_win32.cpp
  ${CMAKE_SOURCE_DIR}/setup/velquin_setup.rc
)
target_include_directories(velquin-setup PRIVATE ${VELQUIN_GENERATED})
target_compile_options(velquin-setup PRIVATE ${VELQUIN_WARNINGS} -Os -ffunction-sections -fdata-sections)
add_dependencies(velquin-setup velquin_delay_libs)
target_link_libraries(velquin-setup PRIVATE velquin_setup ${VELQUIN_DELAY_LIBS})
target_link_options(velquin-setup PRIVATE -static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections -Wl,--no-insert-timestamp)
