# Layers: platform/sys < platform/com < platform/msi < ide/ < VxWsApplicationFilesEP/ < apps/.
# Code includes headers by their path from the source root ("platform/com/guid.h"). A library
# does not export the whole source root: it exports the include root of its layer, a folder of
# links to the source folders that layer may see. An include that reaches up a layer then fails
# to compile; tests/layers checks the same rule over every file, headers included.
set(VX_LAYER_ROOTS "${CMAKE_BINARY_DIR}/include_roots")

function(vx_define_layer layer)
  set(root "${VX_LAYER_ROOTS}/${layer}")
  foreach(dir IN LISTS ARGN)
    get_filename_component(parent "${root}/${dir}" DIRECTORY)
    file(MAKE_DIRECTORY "${parent}")
    if(NOT EXISTS "${root}/${dir}")
      file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${dir}" "${root}/${dir}" SYMBOLIC)
    endif()
  endforeach()
endfunction()

set(vx_layer_sys platform/sys)
set(vx_layer_com ${vx_layer_sys} platform/com)
set(vx_layer_msi ${vx_layer_com} platform/msi)
set(vx_layer_ide ${vx_layer_msi} ide)
set(vx_layer_page ${vx_layer_ide} VxWsApplicationFilesEP)
set(vx_layer_apps ${vx_layer_page} apps)
foreach(layer sys com msi ide page apps)
  vx_define_layer(${layer} ${vx_layer_${layer}})
endforeach()

# vx_layer(<target> <layer>): the target's sources and users see that layer's include root.
function(vx_layer target layer)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE "${VX_LAYER_ROOTS}/${layer}")
  elseif(type MATCHES "LIBRARY")
    target_include_directories(${target} PUBLIC "${VX_LAYER_ROOTS}/${layer}")
  else()
    target_include_directories(${target} PRIVATE "${VX_LAYER_ROOTS}/${layer}")
  endif()
endfunction()
