# Warnings are kept high on the project's own targets only; third-party headers come in with -isystem.
function(zv_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  if(ZV_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# The SDK's fdebug.h insists on a build flavour being named.
add_compile_definitions($<IF:$<CONFIG:Debug>,DEVELOPMENT=1,RELEASE=1>)

if(WIN32)
  # A self-contained module: no libgcc/libstdc++/winpthread DLLs next to it.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
endif()

# Sanitizer builds of the native tree: -DZV_SANITIZE=thread, or address,undefined.
set(ZV_SANITIZE "" CACHE STRING "Build with -fsanitize=<value>")
if(ZV_SANITIZE)
  add_compile_options(-fsanitize=${ZV_SANITIZE} -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=${ZV_SANITIZE})
  if(ZV_SANITIZE MATCHES "undefined")
    # Undefined behaviour fails the test that hit it instead of printing and carrying on.
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()
