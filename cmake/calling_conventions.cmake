# The net for what only the 32-bit build shows. On 32 bits a Windows callback has its own
# calling convention (CALLBACK, stdcall): a window procedure or a sort callback declared
# without it and passed behind a cast compiles, and corrupts the stack at its first call.
# g++ does not see the convention in a cast (-Wcast-function-type compares the parameters
# only, and is an error here too); clang does (-Wcast-calling-convention). So every C++
# source of the shipped programs is also parsed by clang for the 32-bit target, with the
# same include folders and definitions, and a cast between calling conventions fails the
# build.
#   quandor_check_calling_conventions(TARGET...)
# Needs clang (scripts/setup installs it); QUANDOR_CHECK_CALLING_CONVENTIONS=OFF leaves it out.

find_program(QUANDOR_CLANGXX NAMES clang++ clang++-14 REQUIRED)
# g++'s own folders of the C++ library and the Windows headers, as it searches them.
set(quandor_clang_system_includes)
foreach(dir ${CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES})
  list(APPEND quandor_clang_system_includes -isystem ${dir})
endforeach()

file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/calling_conventions)

function(quandor_check_calling_conventions)
  foreach(target ${ARGN})
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    set(includes "$<TARGET_PROPERTY:${target},INCLUDE_DIRECTORIES>")
    set(definitions "$<TARGET_PROPERTY:${target},COMPILE_DEFINITIONS>")
    set(stamps)
    foreach(source ${sources})
      if(NOT source MATCHES "\\.cpp$")
        continue()
      endif()
      get_filename_component(path ${source} ABSOLUTE BASE_DIR ${source_dir})
      file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${path})
      string(MAKE_C_IDENTIFIER ${name} stamp)
      set(stamp ${CMAKE_BINARY_DIR}/calling_conventions/${stamp}.checked)
      add_custom_command(
        OUTPUT ${stamp}
        COMMAND ${QUANDOR_CLANGXX} --target=i686-w64-mingw32 -std=c++17 -fsyntax-only -Wno-everything
                -Werror=cast-calling-convention -Werror=cast-function-type
                ${quandor_clang_system_includes}
                "$<$<BOOL:${includes}>:-I$<JOIN:${includes},;-I>>"
                "$<$<BOOL:${definitions}>:-D$<JOIN:${definitions},;-D>>"
                ${path}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${path}
        IMPLICIT_DEPENDS CXX ${path}
        COMMENT "Checking the calling conventions of ${name}"
        COMMAND_EXPAND_LISTS VERBATIM)
      list(APPEND stamps ${stamp})
    endforeach()
    target_compile_options(${target} PRIVATE -Werror=cast-function-type)
    add_custom_target(${target}_calling_conventions DEPENDS ${stamps})
    add_dependencies(${target} ${target}_calling_conventions)
  endforeach()
endfunction()
