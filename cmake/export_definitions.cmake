# Writes, from the library's function directory, its export definition file
# (one decorated __stdcall name per row, name@N with N four times the number
# of argument letters, "V" alone counting none; then the wide twin of each,
# nameW@N) and the declarations of the wide twins (texts as UTF-16, the
# parameter names of the row's description line). The library's own file
# names it "kLv_sys.dll", the name its export directory carries; the
# callers' copy (CALLER_DEF, shipped in the SDK and made into the import
# libraries) names the file a caller loads, kLv_Tool.dll.
#   cmake -DCOMPILER=<C preprocessor driver> -DDIRECTORY=<directory.h>
#         -DOUTPUT=<file.def> -DCALLER_DEF=<file.def> -DWIDE_HEADER=<file.h>
#         -P export_definitions.cmake
get_filename_component(work ${OUTPUT} DIRECTORY)
set(rows ${OUTPUT}.rows.c)
file(WRITE ${rows}
  "#include \"${DIRECTORY}\"\n"
  "#define KLV_EXPORT_ROW(name, upper, result, args, line) @ROW name result args line\n"
  "KLV_FUNCTIONS(KLV_EXPORT_ROW)\n")
execute_process(COMMAND ${COMPILER} -E -P -x c ${rows}
  OUTPUT_VARIABLE expanded RESULT_VARIABLE status WORKING_DIRECTORY ${work})
file(REMOVE ${rows})
if(NOT status EQUAL 0)
  message(FATAL_ERROR "Could not expand the function directory ${DIRECTORY}")
endif()

set(ansi "")
set(wide "")
set(declarations "")
string(REGEX MATCHALL "@ROW [A-Za-z_][A-Za-z0-9_]*[ \t\n]+\"[A-Z]\"[ \t\n]+\"[A-Z]*\"[ \t\n]+\"[^\"]*\"" rows_found "${expanded}")
set(count 0)
foreach(row IN LISTS rows_found)
  string(REGEX MATCH "^@ROW ([A-Za-z_][A-Za-z0-9_]*)[ \t\n]+\"([A-Z])\"[ \t\n]+\"([A-Z]*)\"[ \t\n]+\"[^\"(]*\\(([^\")]*)\\)\"$" _ "${row}")
  set(name ${CMAKE_MATCH_1})
  set(result ${CMAKE_MATCH_2})
  set(letters ${CMAKE_MATCH_3})
  string(REGEX REPLACE "[ \t]" "" names "${CMAKE_MATCH_4}")
  if(NOT name)
    message(FATAL_ERROR "Unreadable function row: ${row}")
  endif()
  if(letters STREQUAL "V")
    set(bytes 0)
    set(parameters "void")
  else()
    string(LENGTH "${letters}" arguments)
    math(EXPR bytes "4 * ${arguments}")
    string(REPLACE "," ";" names "${names}")
    list(LENGTH names named)
    if(NOT named EQUAL arguments)
      message(FATAL_ERROR "${name}: its description names ${named} arguments, its letters ${arguments}")
    endif()
    set(parameters "")
    set(index 0)
    foreach(parameter IN LISTS names)
      string(SUBSTRING "${letters}" ${index} 1 letter)
      if(letter STREQUAL "S")
        set(type KlvTextW)
      else()
        set(type KlvInt)
      endif()
      if(index GREATER 0)
        string(APPEND parameters ", ")
      endif()
      string(APPEND parameters "${type} ${parameter}")
      math(EXPR index "${index} + 1")
    endforeach()
  endif()
  if(result STREQUAL "S")
    set(type KlvTextW)
  else()
    set(type KlvInt)
  endif()
  string(APPEND ansi "  ${name}@${bytes}\n")
  string(APPEND wide "  ${name}W@${bytes}\n")
  string(APPEND declarations "KLV_API ${type} KLV_CALL ${name}W(${parameters});\n")
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "No function rows found in ${DIRECTORY}")
endif()

set(text "; kLv_Tool.dll: decorated __stdcall names only, bound by name.\n")
string(APPEND text "; Written at build time from directory.h; edit the rows there.\n")
file(WRITE ${OUTPUT} "${text}LIBRARY \"kLv_sys.dll\"\nEXPORTS\n${ansi}${wide}")
file(WRITE ${CALLER_DEF} "${text}LIBRARY \"kLv_Tool.dll\"\nEXPORTS\n${ansi}${wide}")

set(header "/* The wide twin of each function of kLv_Tool.h: the same arguments and\n")
string(APPEND header "   results, texts as UTF-16. Written at build time from directory.h. */\n")
string(APPEND header "#ifndef KLV_TOOL_WIDE_H\n#define KLV_TOOL_WIDE_H\n\n${declarations}\n#endif\n")
file(WRITE ${WIDE_HEADER} "${header}")
