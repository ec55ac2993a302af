# The Windows build: ljrun.exe beside lua51.dll, and a zip that holds both.

# ljrun.exe links lua51.dll through an import library made from the list of
# the functions it calls, and compiles against LuaJIT's headers (Debian's).
set(LUAJIT_INCLUDE_DIR /usr/include/luajit-2.1 CACHE PATH "LuaJIT's headers")
find_program(LJRUN_DLLTOOL NAMES ${LJRUN_DLLTOOL} dlltool REQUIRED)
set(import_lib ${CMAKE_BINARY_DIR}/liblua51.a)
add_custom_command(
  OUTPUT ${import_lib}
  COMMAND ${LJRUN_DLLTOOL} -d ${CMAKE_SOURCE_DIR}/win/lua51.def -l ${import_lib} -D lua51.dll
  DEPENDS win/lua51.def
  COMMENT "Making the import library for lua51.dll")
add_custom_target(lua51_import DEPENDS ${import_lib})
add_dependencies(luajit lua51_import)
target_include_directories(luajit INTERFACE ${LUAJIT_INCLUDE_DIR})
target_link_libraries(luajit INTERFACE ${import_lib})

# lua51.dll itself is cross-built from the source of that same LuaJIT, once:
# it is kept while it is there.  Its debugging information is stripped.
set(lua51_dll ${CMAKE_BINARY_DIR}/lua51.dll)
set(luajit_copyright ${CMAKE_BINARY_DIR}/COPYRIGHT)
add_custom_command(
  OUTPUT ${lua51_dll} ${luajit_copyright}
  COMMAND sh ${CMAKE_SOURCE_DIR}/win/build-lua51.sh ${CMAKE_BINARY_DIR}/luajit
  COMMAND ${CMAKE_STRIP} --strip-debug -o ${lua51_dll} ${CMAKE_BINARY_DIR}/luajit/src/src/lua51.dll
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/luajit/src/COPYRIGHT ${luajit_copyright}
  COMMENT "Building lua51.dll from Debian's source package of LuaJIT"
  USES_TERMINAL)
add_custom_target(lua51_dll ALL DEPENDS ${lua51_dll} ${luajit_copyright})

# The manifest that makes UTF-8 the process's code page.
enable_language(RC)
target_sources(ljrun PRIVATE win/ljrun.rc)
set_property(SOURCE win/ljrun.rc APPEND PROPERTY OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/win/ljrun.manifest)
set_property(SOURCE win/ljrun.rc PROPERTY INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/win)

# The bundle: build-windows/ljrun-<version>-win64.zip.
execute_process(COMMAND dpkg-query -W -f=\${source:Version} libluajit-5.1-dev
                OUTPUT_VARIABLE LUAJIT_DEBIAN_VERSION COMMAND_ERROR_IS_FATAL ANY)
configure_file(win/README.txt ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
install(TARGETS ljrun RUNTIME DESTINATION .)
install(FILES ${lua51_dll} ${luajit_copyright} ${CMAKE_BINARY_DIR}/README.txt
              examples/hello.lua DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME ljrun-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
include(CPack)
