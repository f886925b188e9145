# Making setup.exe files: an installer program, finished by the host tool
# loadconfig, with a payload archive appended by the host tool mkinstaller
# (tools/). A Windows build cannot build host tools itself: it runs the ones
# named by MKINSTALLER and LOADCONFIG (the host preset's, which `make test`
# builds first) or, when they do not exist, builds them for the host in a
# sub-build of this source tree.
set(MKINSTALLER "" CACHE FILEPATH "Host-built mkinstaller (empty: build one for the host)")
set(LOADCONFIG "" CACHE FILEPATH "Host-built loadconfig (empty: build one for the host)")

# Sets tool to the host tool <name> to run (mkinstaller or loadconfig) and
# depends to what a command running it depends on.
function(installer_host_tool name tool depends)
  string(TOUPPER ${name} given)
  if(${given} AND EXISTS "${${given}}")
    set(${tool} ${${given}} PARENT_SCOPE)
    set(${depends} ${${given}} PARENT_SCOPE)
    return()
  endif()
  set(dir ${CMAKE_BINARY_DIR}/host-tools)
  if(NOT TARGET host_tools)
    include(ExternalProject)
    ExternalProject_Add(host_tools
      SOURCE_DIR ${CMAKE_SOURCE_DIR}
      BINARY_DIR ${dir}
      CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DINSTALLER_TESTS=OFF
      BUILD_COMMAND ${CMAKE_COMMAND} --build ${dir} --target mkinstaller loadconfig
      BUILD_BYPRODUCTS ${dir}/tools/mkinstaller ${dir}/tools/loadconfig
      INSTALL_COMMAND ""
      BUILD_ALWAYS ON)
  endif()
  set(${tool} ${dir}/tools/${name} PARENT_SCOPE)
  set(${depends} host_tools PARENT_SCOPE)
endfunction()

# The installer program's post-link step (tools/loadconfig.cpp): its
# load-configuration directory filled in; in the shipped build, which keeps
# no symbols, the symbol table the step needs is taken out after it.
function(installer_finish_program target)
  installer_host_tool(loadconfig tool tool_depends)
  if(TARGET ${tool_depends})
    add_dependencies(${target} ${tool_depends})
  endif()
  # The shipped build links with -s; this later option has the linker keep
  # the symbol table (not the debugging sections) for the step after all.
  set(shipped $<CONFIG:MinSizeRel>)
  target_link_options(${target} PRIVATE $<${shipped}:-Wl,--strip-debug>)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            ${tool} $<${shipped}:--strip> $<TARGET_FILE:${target}>
    COMMAND_EXPAND_LISTS
    VERBATIM)
endfunction()

# installer_add_setup(<name> STUB <program target> PAYLOAD <folder>
#                     OUTPUT <file> AGENT <text> URL <address>
#                     [SIGN <certificate> <key>] [DEPENDS <files>...])
# Target <name> makes OUTPUT from the program and the folder's files, signed
# with SIGN's PEM files when given; DEPENDS names what the folder is made
# from, so that a change remakes the setup. The packer runs quietly here
# (-q): its summary is for a vendor at the command line.
function(installer_add_setup name)
  cmake_parse_arguments(arg "" "STUB;PAYLOAD;OUTPUT;AGENT;URL" "SIGN;DEPENDS" ${ARGN})
  installer_host_tool(mkinstaller tool tool_depends)
  get_filename_component(out_dir ${arg_OUTPUT} DIRECTORY)
  set(sign)
  if(arg_SIGN)
    set(sign --sign ${arg_SIGN})
  endif()
  add_custom_command(OUTPUT ${arg_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
    # The host tool may carry the sanitizers of its build: no leak report.
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            ${tool} --stub $<TARGET_FILE:${arg_STUB}> --payload ${arg_PAYLOAD}
                    --agent ${arg_AGENT} --url ${arg_URL} -o ${arg_OUTPUT} ${sign} -q
    DEPENDS ${arg_STUB} ${tool_depends} ${arg_SIGN} ${arg_DEPENDS}
    COMMENT "Making ${arg_OUTPUT}"
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${arg_OUTPUT})
endfunction()

# The sample setup of the demo and the end-to-end tests: the installer with
# three driver files, the install scripts and a plug-in library built here,
# a real DLL with a version resource.
# The user-agent text of Firefox 1.5, the current browser of the demo's set.
# Its semicolons are written as $<SEMICOLON>, so that CMake keeps it one
# argument on the packer's command line.
set(firefox15_agent "Mozilla/5.0 (Windows$<SEMICOLON> U$<SEMICOLON> Windows NT 5.1$<SEMICOLON> \
en-US$<SEMICOLON> rv:1.8) Gecko/20051111 Firefox/1.5")

function(installer_add_sample_setup output)
  set(fixtures ${CMAKE_SOURCE_DIR}/tests/fixtures)
  add_library(npvorlixa SHARED ${fixtures}/plugin/npvorlixa.cpp ${fixtures}/plugin/npvorlixa.rc)
  set_target_properties(npvorlixa PROPERTIES PREFIX "")
  target_link_options(npvorlixa PRIVATE -s) # a shipped plug-in carries no symbols
  file(GLOB files CONFIGURE_DEPENDS ${fixtures}/payload/*)
  set(payload ${CMAKE_BINARY_DIR}/sample-payload)
  add_custom_command(OUTPUT ${payload}.stamp
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${payload}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${fixtures}/payload ${payload}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:npvorlixa> ${payload}/plugins/npvorlixa.dll
    COMMAND ${CMAKE_COMMAND} -E touch ${payload}.stamp
    DEPENDS ${files} npvorlixa
    VERBATIM)
  installer_add_setup(sample_setup STUB installer PAYLOAD ${payload} OUTPUT ${output}
                      AGENT "${firefox15_agent}"
                      URL "http://www.example.com/vorlixa/installed.html"
                      DEPENDS ${payload}.stamp)
endfunction()

# The sample setup signed by the packer with a throwaway self-signed
# certificate made here (it proves the signing step, nothing about a
# publisher): the end-to-end tests run it. After installer_add_sample_setup.
function(installer_add_signed_sample_setup output)
  set(keys ${CMAKE_BINARY_DIR}/throwaway-signer)
  add_custom_command(OUTPUT ${keys}/cert.pem ${keys}/key.pem
    COMMAND ${CMAKE_COMMAND} -E make_directory ${keys}
    COMMAND openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj /CN=Throwaway
            -keyout ${keys}/key.pem -out ${keys}/cert.pem
    COMMENT "Making a throwaway signing certificate"
    VERBATIM)
  set(payload ${CMAKE_BINARY_DIR}/sample-payload)
  installer_add_setup(signed_sample_setup STUB installer PAYLOAD ${payload} OUTPUT ${output}
                      AGENT "${firefox15_agent}"
                      URL "http://www.example.com/vorlixa/installed.html"
                      SIGN ${keys}/cert.pem ${keys}/key.pem
                      DEPENDS ${payload}.stamp)
endfunction()
