# Generated assets. Every generator is a script tools/gen/gen_<name>.py (run with the
# system python, which sees Debian's python3-pil and python3-numpy) or gen_<name>.sh.
# Each writes its files into assets/ deterministically and is re-run only when the
# script itself or a shared helper in tools/gen/ changes. The outputs live in folders
# git ignores (assets/textures, assets/models, assets/sounds, assets/fonts).

find_program(SYSTEM_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT SYSTEM_PYTHON)
  find_program(SYSTEM_PYTHON NAMES python3 REQUIRED)
endif()

file(GLOB ASSET_GENERATORS CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/tools/gen/gen_*.py ${CMAKE_SOURCE_DIR}/tools/gen/gen_*.sh)
file(GLOB ASSET_GENERATOR_HELPERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/gen/lib_*.py)

set(ASSET_STAMPS)
foreach(generator ${ASSET_GENERATORS})
  get_filename_component(name ${generator} NAME_WE)
  get_filename_component(ext ${generator} EXT)
  set(stamp ${CMAKE_BINARY_DIR}/asset-stamps/${name}.stamp)
  if(ext STREQUAL ".py")
    set(runner ${SYSTEM_PYTHON})
  else()
    set(runner bash)
  endif()
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${runner} ${generator} ${CMAKE_SOURCE_DIR}/assets
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/asset-stamps
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${generator} ${ASSET_GENERATOR_HELPERS}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tools/gen
    COMMENT "Generating assets: ${name}"
    VERBATIM)
  list(APPEND ASSET_STAMPS ${stamp})
endforeach()

add_custom_target(assets ALL DEPENDS ${ASSET_STAMPS})
add_dependencies(kestrun assets)

# The menu and loading pictures are rendered from the terrain maps and Kestrun's sprite.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/asset-stamps/gen_menu_pictures.stamp APPEND
                   DEPENDS ${CMAKE_BINARY_DIR}/asset-stamps/gen_terrain.stamp
                           ${CMAKE_BINARY_DIR}/asset-stamps/gen_sky.stamp)
