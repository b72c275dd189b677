# The browser build: the same viewer on the browser's own API, with OpenGL 1.1 drawn
# on WebGL 2 by our own layer. emcc's JavaScript tools run under Node and look for
# Debian's acorn on NODE_PATH.
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(WEB_LINK_OPTIONS -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2 -sALLOW_MEMORY_GROWTH)

add_library(gl_webgl STATIC
  webgl/gl_matrices.cpp
  webgl/gl_lighting.cpp
  webgl/gl_texture.cpp
  webgl/gl_immediate.cpp
  webgl/gl_framebuffer.cpp
  webgl/webgl_draw.cpp)
target_include_directories(gl_webgl PUBLIC ${CMAKE_SOURCE_DIR}/webgl)

add_library(winapi STATIC winapi/web_wgl.cpp)
target_include_directories(winapi PUBLIC ${CMAKE_SOURCE_DIR}/winapi)
target_link_libraries(viewer_core PUBLIC winapi gl_webgl)

option(BUILD_TESTING "Build the test page" ON)
if(BUILD_TESTING)
  # The renderer's frames drawn on the page's canvas, for the browser tests to read.
  add_executable(gl_page tests/web/gl_page.cpp tests/web/frame_cases.cpp)
  target_link_libraries(gl_page PRIVATE viewer_core)
  target_link_options(gl_page PRIVATE ${WEB_LINK_OPTIONS} -sEXPORTED_RUNTIME_METHODS=ccall)
  configure_file(tests/web/gl_page.html gl_page.html COPYONLY)
endif()
