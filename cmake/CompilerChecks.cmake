# Compiler warnings and checks for Kelvaro's own code (src/, tests/, bench/). Qt and the other
# libraries come in through imported targets, whose headers are system includes, so these flags
# judge our code only.

add_compile_options(-Wall -Wextra -Wshadow -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual)

# The test build (./test.sh, CI) stops at the first warning. A user's own build of a release keeps
# going, so that a newer compiler with new warnings does not keep anyone from building it.
option(KV_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)
if(KV_WARNINGS_AS_ERRORS)
  add_compile_options(-Werror)
endif()

# AddressSanitizer (with LeakSanitizer) and UndefinedBehaviorSanitizer. ./test.sh turns them on
# for the whole test build (KV_SANITIZE=OFF in its environment turns them off); a user's build
# goes without. Undefined behaviour aborts the program instead of printing and going on, so a
# finding fails the test that met it.
option(KV_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(KV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
