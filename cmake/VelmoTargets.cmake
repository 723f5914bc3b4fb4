# velmo_add_library(NAME DEPS <targets...>)
# One static library per subsystem folder, made of every source, header and resource file in it
# (sub-folders included). The folder's parent (src/) is on the include path, so code includes
# "store/Database.h", "lunar/Lunar.h" and so on.
function(velmo_add_library name)
    cmake_parse_arguments(L "" "" "DEPS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${L_DEPS})
endfunction()
