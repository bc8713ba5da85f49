# Sanitizer builds (the asan and tsan presets). ZOLT_SANITIZE lists the
# sanitizers for -fsanitize= ("address,undefined" or "thread"); empty for an
# ordinary build. Everything native is instrumented: the restorer, the
# builder, the stand-in and the tests. An undefined-behaviour report ends
# the process like the other sanitizers' reports do, so that no test passes
# over one.
set(ZOLT_SANITIZE "" CACHE STRING "Sanitizers to build with (-fsanitize=), empty for none")

if(ZOLT_SANITIZE)
  if(ZOLT_WINDOWS_BUILD)
    message(FATAL_ERROR "ZOLT_SANITIZE is for the native build")
  endif()
  set(ZOLT_SANITIZE_FLAGS -fsanitize=${ZOLT_SANITIZE} -fno-omit-frame-pointer)
  if(ZOLT_SANITIZE MATCHES "undefined")
    list(APPEND ZOLT_SANITIZE_FLAGS -fno-sanitize-recover=undefined)
  endif()
  add_compile_options(${ZOLT_SANITIZE_FLAGS})
  add_link_options(-fsanitize=${ZOLT_SANITIZE})
endif()
