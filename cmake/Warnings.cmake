# Warnings for our own targets: call corv_warnings(target).
function(corv_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
endfunction()

# corv_layer(NAME PUBLIC_DEPS a b PRIVATE_DEPS c): the static library corv_NAME made of the
# .cpp files of the calling folder (main.cpp excluded: executables are built separately).
function(corv_layer name)
  cmake_parse_arguments(L "" "" "PUBLIC_DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(corv_${name} STATIC ${sources})
    target_include_directories(corv_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(corv_${name} PUBLIC ${L_PUBLIC_DEPS} PRIVATE ${L_PRIVATE_DEPS})
    corv_warnings(corv_${name})
  else()
    # A layer that has only headers so far.
    add_library(corv_${name} INTERFACE)
    target_include_directories(corv_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(corv_${name} INTERFACE ${L_PUBLIC_DEPS})
  endif()
endfunction()

# corv_feature_layer(NAME ...): a feature of the window, built as corv_layer does. The top
# CMakeLists.txt finds every folder that calls it, and the application links them all
# (global property CORV_FEATURE_LIBS), so a new feature needs no line in either.
function(corv_feature_layer name)
  corv_layer(${name} ${ARGN})
  set_property(GLOBAL APPEND PROPERTY CORV_FEATURE_LIBS corv_${name})
endfunction()
