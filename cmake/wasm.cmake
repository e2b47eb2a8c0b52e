# The WebAssembly build (WPCONV_WASM, configured with emcmake): the converters and the jobs that
# need no system, the web page's module, and the unit tests that need no platform layer, run
# under node.

# Nothing below the streams: the page hands bytes in and takes bytes out.
get_target_property(WPCONV_WASM_SOURCES wpconv_core SOURCES)
list(FILTER WPCONV_WASM_SOURCES EXCLUDE REGEX
     "^src/(platform|app|batch)/|^src/jobs/(file_jobs|paths)\\.cpp$")
set_target_properties(wpconv_core PROPERTIES SOURCES "${WPCONV_WASM_SOURCES}")

# Node 20 fetches the .wasm file through a URL that emscripten 3.1.6's loader cannot read; without
# fetch, the loader reads it from disk.
set(WPCONV_NODE node --no-experimental-fetch)

# The page's module: wpconv.js and wpconv.wasm, loaded by the page's worker.
add_executable(wpconv_web web/wpconv_web.cpp)
set_target_properties(wpconv_web PROPERTIES OUTPUT_NAME wpconv)
target_link_libraries(wpconv_web PRIVATE wpconv_core wpconv_warnings)
target_link_options(wpconv_web PRIVATE
  -sMODULARIZE=1 -sEXPORT_NAME=createWpconv -sENVIRONMENT=web,worker,node
  -sALLOW_MEMORY_GROWTH=1 -sFILESYSTEM=0 -sINITIAL_MEMORY=4MB -sTOTAL_STACK=256KB
  "-sEXPORTED_RUNTIME_METHODS=[ccall,UTF8ToString]")

if(WPCONV_TESTS)
  enable_testing()
  add_subdirectory(tests)
endif()
