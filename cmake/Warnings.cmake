# The project's warnings, on every target. The project's own scripts, CI and
# the fuzz build make them errors (QUORLEX_WERROR=ON); a packager building
# with another compiler or other flags gets them as warnings.
option(QUORLEX_WERROR "Treat compiler warnings as errors" OFF)

add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                    -Wold-style-cast -Wcast-align -Woverloaded-virtual
                    -Wconversion -Wsign-conversion -Wnull-dereference
                    -Wimplicit-fallthrough)
if(QUORLEX_WERROR)
  add_compile_options(-Werror)
endif()
