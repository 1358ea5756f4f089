# Compile settings every target of the project shares. Libraries and executables link
# pelvaro_common instead of repeating flags.
add_library(pelvaro_common INTERFACE)
target_compile_features(pelvaro_common INTERFACE cxx_std_20)
target_compile_definitions(pelvaro_common INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_FOREACH)
target_compile_options(pelvaro_common INTERFACE -Wall -Wextra -Wpedantic)

option(PELVARO_WERROR "Treat warnings as errors (the CI presets)" OFF)
if(PELVARO_WERROR)
    target_compile_options(pelvaro_common INTERFACE -Werror)
endif()
target_include_directories(pelvaro_common INTERFACE ${CMAKE_SOURCE_DIR}/src)

set(PELVARO_SANITIZE "" CACHE STRING "Sanitizers to build with: address, undefined, thread (comma separated)")
if(PELVARO_SANITIZE)
    target_compile_options(pelvaro_common INTERFACE -fsanitize=${PELVARO_SANITIZE} -fno-omit-frame-pointer)
    target_link_options(pelvaro_common INTERFACE -fsanitize=${PELVARO_SANITIZE})
endif()
