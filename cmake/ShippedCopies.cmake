# The libraries above the framework are built twice, as the framework is
# (framework/CMakeLists.txt): under their own names as the tests link them,
# with assertions active (ORLENZA_CHECKED) and the framework's live counts,
# and as <name>_shipped, the copy that only the shipped Orlenza.exe links.
#
# orlenza_shipped_copies(<lib>...) makes the shipped copies of libraries
# defined with PUBLIC include folders and PUBLIC links; a link to another
# library of the list becomes a link to its shipped copy.
function(orlenza_shipped_copies)
  foreach(lib ${ARGN})
    get_target_property(dir ${lib} SOURCE_DIR)
    get_target_property(sources ${lib} SOURCES)
    list(TRANSFORM sources PREPEND "${dir}/" REGEX "^[^/]")
    add_library(${lib}_shipped STATIC ${sources})
    get_target_property(includes ${lib} INCLUDE_DIRECTORIES)
    target_include_directories(${lib}_shipped PUBLIC ${includes})
    get_target_property(links ${lib} LINK_LIBRARIES)
    foreach(link ${links})
      if(link IN_LIST ARGN)
        target_link_libraries(${lib}_shipped PUBLIC ${link}_shipped)
      else()
        target_link_libraries(${lib}_shipped PUBLIC ${link})
      endif()
    endforeach()
    # The copy under the library's own name is the tests' (framework_api
    # then hands it the counted, checked framework).
    orlenza_use_counted_framework(${lib})
  endforeach()
endfunction()
