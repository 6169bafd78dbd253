# Every target of the project compiles with warnings as errors.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                    -Wold-style-cast -Wcast-align -Woverloaded-virtual
                    -Wconversion -Wsign-conversion -Wnull-dereference
                    -Wimplicit-fallthrough -Werror)
