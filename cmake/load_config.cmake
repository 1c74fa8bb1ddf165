# Gives a Windows program dependent load flags: the DLLs it imports come from the system
# folder only (res/load_config.c), never from the program's folder. GNU ld links the
# structure but leaves the image's entry for it empty; the step after the link fills it.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

function(quandor_load_imports_from_system_folder target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/res/load_config.c)
  add_custom_command(TARGET ${target} POST_BUILD
                     COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/cmake/point_load_config.py
                             $<TARGET_FILE:${target}>
                     VERBATIM)
endfunction()
