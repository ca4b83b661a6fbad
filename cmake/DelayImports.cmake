# System DLLs that only a user's action needs (the file dialog, drops from
# the shell, starting the tool, opening an address) are imported delay-loaded:
# the loader maps them at their first call, not while the dialog opens, where
# they cost about a twentieth of the start-up under Wine.
#
# Only KnownDLLs are delay-loaded this way. The delay helper loads a DLL by
# its bare name, and for a KnownDLL the loader always maps the system's copy,
# never one planted beside the program. The helper (__delayLoadHelper2) is
# MinGW's own; should a DLL ever fail to load it raises an exception, which
# for these parts of every Windows installation does not happen.
#
# On i686, GNU ld (2.40) keeps a delay-load stub's code only when something
# calls the stub by name. Windows headers declare every API function
# __declspec(dllimport) (DECLSPEC_IMPORT), so the code calls through the
# import slot (__imp__Name@N) alone; ld then drops the stub while the slot,
# which must point into the stub until the first call, still refers to it,
# and is left 0: the first call to any delay-loaded function jumps to
# address 0. x86_64 keeps the stubs. Declaring the functions without
# dllimport on i686 makes every call go through its stub (one jump more,
# as for any function declared without dllimport), which keeps the stub.
# orlenza_check_delay_imports(<target>) checks the linked program: every
# delay-load slot must point into the program.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_compile_definitions(DECLSPEC_IMPORT=)
endif()

# orlenza_delay_import(<dll>) makes the imported library delayload::<dll>.
# It imports every function that the toolchain's import library lib<dll>.a
# names, so whatever the code calls resolves there before the ordinary
# import library, which the linker only reaches later in its command line.
function(orlenza_delay_import dll)
  find_library(ORLENZA_IMPORT_LIB_${dll} NAMES lib${dll}.a REQUIRED)
  execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${ORLENZA_IMPORT_LIB_${dll}}
                  OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  # 32-bit names carry the underscore of the C convention and, for
  # __stdcall, the argument bytes (__imp__DragFinish@4): the definition keeps
  # the bytes, and --kill-at drops them from the name imported from the DLL.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(prefix "__imp__")
    set(kill_at --kill-at)
  else()
    set(prefix "__imp_")
    set(kill_at)
  endif()
  string(REGEX MATCHALL " I ${prefix}[A-Za-z0-9_@]+" imports "${symbols}")
  list(TRANSFORM imports REPLACE "^ I ${prefix}" "")
  list(REMOVE_DUPLICATES imports)
  list(SORT imports)
  list(LENGTH imports count)
  if(count EQUAL 0)
    message(FATAL_ERROR "No functions found in ${ORLENZA_IMPORT_LIB_${dll}} to delay-load")
  endif()
  list(JOIN imports "\n" exports)
  set(folder ${PROJECT_BINARY_DIR}/delayload)
  file(WRITE ${folder}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
  # In the build folder: dlltool writes its temporary objects where it runs.
  # The library's name is given bare, as dlltool names its symbols after it:
  # a full path would put the build folder into every program's symbols.
  execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${dll}.def --dllname ${dll}.dll ${kill_at}
                          --output-delaylib libdelay_${dll}.a
                  WORKING_DIRECTORY ${folder}
                  COMMAND_ERROR_IS_FATAL ANY)
  add_library(delayload::${dll} STATIC IMPORTED GLOBAL)
  set_target_properties(delayload::${dll} PROPERTIES IMPORTED_LOCATION ${folder}/libdelay_${dll}.a)
endfunction()

# After linking <target>: fails the build when one of its delay-load slots is
# empty, which would send the first call through it to address 0.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(orlenza_check_delay_imports target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/check-delay-imports.py ${CMAKE_NM} $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
