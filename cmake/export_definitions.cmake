# Writes the library's export definition file from its function directory:
# one decorated __stdcall name per row, name@N with N four times the number
# of argument letters ("V" alone counts none).
#   cmake -DCOMPILER=<C preprocessor driver> -DDIRECTORY=<directory.h> -DOUTPUT=<file.def> -P export_definitions.cmake
get_filename_component(work ${OUTPUT} DIRECTORY)
set(rows ${OUTPUT}.rows.c)
file(WRITE ${rows}
  "#include \"${DIRECTORY}\"\n"
  "#define KLV_EXPORT_ROW(name, upper, result, args, line) name args\n"
  "KLV_FUNCTIONS(KLV_EXPORT_ROW)\n")
execute_process(COMMAND ${COMPILER} -E -P -x c ${rows}
  OUTPUT_VARIABLE expanded RESULT_VARIABLE status WORKING_DIRECTORY ${work})
file(REMOVE ${rows})
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Could not expand the function directory ${DIRECTORY}")
endif()

set(text "; kLv_Tool.dll: decorated __stdcall names only, bound by name.\n")
string(APPEND text "; Written at build time from directory.h; edit the rows there.\n")
string(APPEND text "LIBRARY \"kLv_sys.dll\"\nEXPORTS\n")
string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*[ \t\n]+\"[A-Z]*\"" rows_found "${expanded}")
set(count 0)
foreach(row IN LISTS rows_found)
  string(REGEX MATCH "^([A-Za-z_][A-Za-z0-9_]*)[ \t\n]+\"([A-Z]*)\"$" _ "${row}")
  set(name ${CMAKE_MATCH_1})
  set(letters ${CMAKE_MATCH_2})
  if(letters STREQUAL "V")
    set(bytes 0)
  else()
    string(LENGTH "${letters}" arguments)
    math(EXPR bytes "4 * ${arguments}")
  endif()
  string(APPEND text "  ${name}@${bytes}\n")
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "No function rows found in ${DIRECTORY}")
endif()
file(WRITE ${OUTPUT} "${text}")
