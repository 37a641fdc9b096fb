# C libraries that the program opens when it first needs them (src/data/LateLibrary.h) instead
# of linking them, so that a start which never reaches a server, a workbook export or a barcode
# does not load and bind them: the server's client (libpq), the workbook writer (libxlsxwriter)
# and the barcodes (zint). Only their headers are compiled against; the one source that opens
# each is told the name (soname) the linker would have recorded. The Debian package names them
# as dependencies (cmake/Install.cmake), which dpkg-shlibdeps cannot see.

# The headers of libpq alone, for the server engine.
add_library(kv_libpq_headers INTERFACE IMPORTED)
set_target_properties(kv_libpq_headers PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${LIBPQ_INCLUDE_DIRS}")

# kv_late_library(SOURCE DEFINE LIBRARY_FILE): SOURCE is compiled with DEFINE="<soname>".
function(kv_late_library source define library)
  execute_process(COMMAND ${CMAKE_OBJDUMP} -p ${library} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
  string(REGEX MATCH "SONAME +([^\n ]+)" found "${dump}")
  if(failed OR NOT found)
    message(FATAL_ERROR "No soname found in ${library}")
  endif()
  set(soname ${CMAKE_MATCH_1})
  set_property(SOURCE ${source} APPEND PROPERTY COMPILE_DEFINITIONS ${define}="${soname}")
  # The Debian package that holds the library under that name, for the package's dependencies.
  get_filename_component(folder ${library} DIRECTORY)
  execute_process(COMMAND dpkg-query -S ${folder}/${soname} OUTPUT_VARIABLE owner ERROR_QUIET)
  if(owner MATCHES "^([^:,]+)")
    set_property(GLOBAL APPEND PROPERTY KV_LATE_PACKAGES ${CMAKE_MATCH_1})
  endif()
endfunction()

find_library(KV_LIBPQ_FILE pq HINTS ${LIBPQ_LIBRARY_DIRS} REQUIRED)
find_library(KV_XLSXWRITER_FILE xlsxwriter HINTS ${XLSXWRITER_LIBRARY_DIRS} REQUIRED)
kv_late_library(src/data/PqLibrary.cpp KV_LIBPQ_SONAME ${KV_LIBPQ_FILE})
kv_late_library(src/tickets/Barcode.cpp KV_ZINT_SONAME ${ZINT_LIBRARY})
kv_late_library(src/ui/XlsxLibrary.cpp KV_XLSXWRITER_SONAME ${KV_XLSXWRITER_FILE})
