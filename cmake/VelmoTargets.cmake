include(${CMAKE_CURRENT_LIST_DIR}/Layers.cmake)
velmo_read_layers(${PROJECT_SOURCE_DIR}/src/layers.txt)

# velmo_add_library(NAME SOURCES <files...> QT <Qt modules...>)
# One static library per subsystem folder, NAME being the folder, built from the files it lists.
# It links the libraries src/layers.txt names for it. src/ is on the include path, so code
# includes "store/Database.h", "lunar/Lunar.h" and so on.
function(velmo_add_library name)
    cmake_parse_arguments(L "" "" "SOURCES;QT" ${ARGN})
    if(NOT name IN_LIST VELMO_LAYERS)
        message(FATAL_ERROR "src/${name} is not listed in src/layers.txt")
    endif()
    add_library(velmo_${name} STATIC ${L_SOURCES})
    target_include_directories(velmo_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    foreach(dep ${VELMO_LAYER_DEPS_${name}})
        target_link_libraries(velmo_${name} PUBLIC velmo_${dep})
    endforeach()
    foreach(module ${L_QT})
        target_link_libraries(velmo_${name} PUBLIC Qt6::${module})
    endforeach()
endfunction()
