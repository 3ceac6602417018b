# The Windows executable: GUI subsystem, statically linked so that it
# imports system DLLs only.
enable_language(RC)

add_executable(velquin WIN32
  launcher/main_win32.cpp
  launcher/terminate_win32.cpp
  platform/os_win32.cpp
  resources/velquin.rc
)
target_compile_options(velquin PRIVATE ${VELQUIN_WARNINGS})
target_link_libraries(velquin PRIVATE velquin_core advapi32 shell32 version user32)
target_link_options(velquin PRIVATE -static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections)
target_compile_definitions(velquin_core PUBLIC WIN32_LEAN_AND_MEAN)

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64" AND EXISTS ${CMAKE_SOURCE_DIR}/tests/wine/CMakeLists.txt)
  add_subdirectory(tests/wine)
endif()

# Small code: the launcher runs on every double-click and should load fast.
target_compile_options(velquin_core PRIVATE -Os -ffunction-sections -fdata-sections)
target_compile_options(velquin PRIVATE -Os -ffunction-sections -fdata-sections)
