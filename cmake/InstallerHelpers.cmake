# Source selection by file name: name.cpp is portable, name_win.cpp is
# Windows-only and name_posix.cpp is the host twin of a Windows-only file.
function(installer_sources out dir pattern)
  file(GLOB all CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/${pattern})
  set(kept)
  foreach(f IN LISTS all)
    if(WIN32 AND f MATCHES "_posix\\.cpp$")
      continue()
    endif()
    if(NOT WIN32 AND f MATCHES "_win[a-z]*\\.cpp$")
      continue()
    endif()
    list(APPEND kept ${f})
  endforeach()
  set(${out} ${kept} PARENT_SCOPE)
endfunction()

# One static library per subsystem folder, linked with the units it uses.
function(installer_add_unit name)
  installer_sources(srcs ${name} "*.cpp")
  add_library(${name} STATIC ${srcs})
  target_link_libraries(${name} PUBLIC ${ARGN})
  target_compile_options(${name} PRIVATE ${INSTALLER_PRODUCT_OPTIONS})
endfunction()

# Gives a Windows target the program's resources (icon, side bitmap, version).
# The resource compiler's output depends on the pictures that installer.rc
# names, so that new artwork is built in without a clean build.
function(installer_add_resources target)
  set(dir ${CMAKE_SOURCE_DIR}/resources)
  target_sources(${target} PRIVATE ${dir}/installer.rc)
  set_source_files_properties(${dir}/installer.rc TARGET_DIRECTORY ${target}
                              PROPERTIES OBJECT_DEPENDS "${dir}/side.bmp;${dir}/side.bmp.deflate;${dir}/installer.ico")
endfunction()
