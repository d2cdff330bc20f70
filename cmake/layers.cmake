# Layers that the build enforces. A layer is a folder of sources (a part of the
# library, a room of eventscan) built as one static library. Its sources
# include headers as "<folder>/<file>.h", and the only include root a layer
# gets is a folder in the build tree holding one symbolic link per folder it
# may see: its own and those of the layers it names as BELOW (with everything
# they see). An include of a layer above or beside it therefore does not
# compile. tests/layering checks the same table against every source file.
#
#   eventmanager_layer(<target> [SHARED] DIR <folder> [BELOW <layer>...]
#                      SOURCES <file>... [LIBS <library>...] [PRIVATE_LIBS <library>...])
#
# DIR is relative to the calling CMakeLists.txt; SOURCES relative to DIR.
# LIBS are outside libraries the layer's headers need, PRIVATE_LIBS those only
# its sources need. SHARED makes the top of a tree, a shared library that
# keeps the layers below it to itself (linked privately, not re-exported).

set_property(GLOBAL PROPERTY EVENTMANAGER_LAYER_TABLE "")

function(eventmanager_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "SHARED" "DIR" "BELOW;SOURCES;LIBS;PRIVATE_LIBS")
  get_filename_component(dir "${ARG_DIR}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(name "${dir}" NAME)

  set(visible "${dir}")
  foreach(below ${ARG_BELOW})
    get_property(seen TARGET ${below} PROPERTY EVENTMANAGER_LAYER_FOLDERS)
    if(NOT seen)
      message(FATAL_ERROR "${target}: '${below}' is not a layer defined before it")
    endif()
    list(APPEND visible ${seen})
  endforeach()
  list(REMOVE_DUPLICATES visible)

  set(root "${PROJECT_BINARY_DIR}/layers/${target}")
  file(REMOVE_RECURSE "${root}")
  file(MAKE_DIRECTORY "${root}")
  set(names "")
  foreach(folder ${visible})
    get_filename_component(folder_name "${folder}" NAME)
    if(folder_name IN_LIST names)
      message(FATAL_ERROR "${target}: two visible layers are both named '${folder_name}'")
    endif()
    list(APPEND names ${folder_name})
    file(CREATE_LINK "${folder}" "${root}/${folder_name}" SYMBOLIC)
  endforeach()

  # One line a layer for the layering test: its folder, then what it may see.
  list(JOIN visible "|" seen_text)

  list(TRANSFORM ARG_SOURCES PREPEND "${dir}/")
  if(ARG_SHARED)
    add_library(${target} SHARED ${ARG_SOURCES})
    set(scope PRIVATE)
  elseif(NOT ARG_SOURCES)
    # Headers only: nothing to compile, the include root and links are all.
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  else()
    add_library(${target} STATIC ${ARG_SOURCES})
    set(scope PUBLIC)
  endif()
  set_target_properties(${target} PROPERTIES EVENTMANAGER_LAYER_FOLDERS "${visible}")
  if(scope STREQUAL INTERFACE)
    target_include_directories(${target} INTERFACE "$<BUILD_INTERFACE:${root}>" "${PROJECT_SOURCE_DIR}/include")
    target_link_libraries(${target} INTERFACE ${ARG_BELOW} ${ARG_LIBS} ${ARG_PRIVATE_LIBS})
  else()
    set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    target_include_directories(${target} ${scope} "$<BUILD_INTERFACE:${root}>" PUBLIC "${PROJECT_SOURCE_DIR}/include")
    target_link_libraries(${target} ${scope} ${ARG_BELOW} ${ARG_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  endif()
  set_property(GLOBAL APPEND PROPERTY EVENTMANAGER_LAYER_TABLE "${dir}=${seen_text}")
endfunction()

# Writes the table of every layer defined so far (call once, at the end of the
# top-level CMakeLists.txt).
function(eventmanager_write_layer_table path)
  get_property(table GLOBAL PROPERTY EVENTMANAGER_LAYER_TABLE)
  list(JOIN table "\n" text)
  file(WRITE "${path}" "${text}\n")
endfunction()
