# The browser build: the same viewer on the browser's own API, with OpenGL 1.1 drawn
# on WebGL 2 by our own layer. emcc's JavaScript tools run under Node and look for
# Debian's acorn on NODE_PATH.
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
# Link-time optimisation: the renderer's immediate-mode calls (glVertex3f, glNormal3f,
# some 270,000 a frame) inline into its loop from the layer's own files. Set for the
# whole folder, compile and link, as the viewer's own library is made before this file
# is read.
string(APPEND CMAKE_CXX_FLAGS " -flto")
# Every page's link options, for Emscripten 3.1.6 (Debian 12) and 3.1.69 (Debian 13) alike.
# Runtime helpers that the pages' JavaScript calls are exported: newer Emscripten leaves
# out every helper that nothing asks for, and the page then stops at its first call.
# Exporting asks for them in a way both versions take (3.1.6 has no EM_JS_DEPS, and the
# build tools' quoting mangles the `$` names of DEFAULT_LIBRARY_FUNCS_TO_INCLUDE).
set(WEB_RUNTIME_METHODS stringToUTF16,UTF16ToString)
set(WEB_LINK_OPTIONS
  # The OpenGL layer draws with WebGL 2 and nothing older.
  -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
  # The model and the layer's buffers are sized at start-up, not at link time.
  -sALLOW_MEMORY_GROWTH)

add_library(gl_webgl STATIC
  webgl/gl_state.cpp
  webgl/gl_matrices.cpp
  webgl/gl_lighting.cpp
  webgl/gl_texture.cpp
  webgl/gl_immediate.cpp
  webgl/gl_framebuffer.cpp
  webgl/webgl_shaders.cpp
  webgl/webgl_uniforms.cpp
  webgl/webgl_draw.cpp
  webgl/webgl_lines.cpp)
target_include_directories(gl_webgl PUBLIC ${CMAKE_SOURCE_DIR}/webgl)

# The browser's stand-in for the Windows calls the viewer makes.
add_library(winapi STATIC
  winapi/web/web_window.cpp
  winapi/web/web_messages.cpp
  winapi/web/web_messagebox.cpp
  winapi/web/web_wgl.cpp)
target_include_directories(winapi PUBLIC ${CMAKE_SOURCE_DIR}/winapi)
target_link_libraries(winapi PUBLIC gl_webgl)
# Its calls that sleep until the browser wakes the program, and how they wake it, for
# every page it is in.
target_link_options(winapi INTERFACE -sASYNCIFY_IMPORTS=showBox,waitForEvent,waitForAnimationFrame
                    --pre-js ${CMAKE_SOURCE_DIR}/winapi/web/web_waking.js)
set_property(TARGET winapi APPEND PROPERTY INTERFACE_LINK_DEPENDS
             ${CMAKE_SOURCE_DIR}/winapi/web/web_waking.js)
target_link_libraries(viewer_core PUBLIC winapi)

# The site: a page, the program and its icon and manifest, served as they are. The
# program waits for the message box and for frames through Asyncify.
set(SITE ${CMAKE_BINARY_DIR}/site)
add_executable(trackball-viewer winapi/web/web_entry.cpp)
target_link_libraries(trackball-viewer PRIVATE viewer_core)
target_link_options(trackball-viewer PRIVATE ${WEB_LINK_OPTIONS} -sASYNCIFY -sEXIT_RUNTIME
                    -sENVIRONMENT=web -sEXPORTED_RUNTIME_METHODS=${WEB_RUNTIME_METHODS})
set_target_properties(trackball-viewer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${SITE})
set(SITE_PAGES index.html manifest.webmanifest icon-192.png icon-512.png icon-maskable-512.png
    apple-touch-icon.png)
foreach(file ${SITE_PAGES})
  configure_file(site/${file} ${SITE}/${file} COPYONLY)
endforeach()
# The service worker keeps every file of the site for visits without network, and
# changes with any of them.
set(SITE_FILES ${SITE_PAGES} trackball-viewer.js trackball-viewer.wasm)
list(TRANSFORM SITE_PAGES PREPEND ${SITE}/)
list(JOIN SITE_FILES , files)
add_custom_command(OUTPUT ${SITE}/sw.js
  COMMAND ${CMAKE_COMMAND} -DSITE=${SITE} -DFILES=${files} -DTEMPLATE=${CMAKE_SOURCE_DIR}/site/sw.js
          -P ${CMAKE_SOURCE_DIR}/cmake/make_service_worker.cmake
  DEPENDS trackball-viewer ${SITE_PAGES} site/sw.js cmake/make_service_worker.cmake)
add_custom_target(service_worker ALL DEPENDS ${SITE}/sw.js)

option(BUILD_TESTING "Build the test page" ON)
if(BUILD_TESTING)
  # The renderer's frames drawn on the page's canvas, for the browser tests to read.
  add_executable(gl_page tests/web/gl_page.cpp tests/web/frame_cases.cpp)
  target_link_libraries(gl_page PRIVATE viewer_core)
  target_link_options(gl_page PRIVATE ${WEB_LINK_OPTIONS} -sASYNCIFY
                      -sEXPORTED_RUNTIME_METHODS=ccall,${WEB_RUNTIME_METHODS})
  configure_file(tests/web/gl_page.html gl_page.html COPYONLY)
endif()

# The benchmark's floor for the page's frame rate: the same mesh and lighting on bare
# WebGL 2.
add_executable(web_floor bench/web_floor.cpp assets/seashell.cpp)
target_include_directories(web_floor PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(web_floor PRIVATE ${WEB_LINK_OPTIONS})
set_target_properties(web_floor PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
configure_file(bench/web_floor.html ${CMAKE_BINARY_DIR}/bench/web_floor.html COPYONLY)
# And for the time to the box: a page that shows the same dialog from an inline script.
configure_file(bench/box_floor.html ${CMAKE_BINARY_DIR}/bench/box_floor.html COPYONLY)
