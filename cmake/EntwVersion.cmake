# Version texts of the version record, derived from project(VERSION):
# Minor is widened to two digits and Revision to four, never cut.
function(entw_pad_number value width out_var)
  set(text "${value}")
  string(LENGTH "${text}" length)
  while(length LESS width)
    string(PREPEND text "0")
    math(EXPR length "${length} + 1")
  endwhile()
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

set(ENTW_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(ENTW_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(ENTW_VERSION_REVISION ${PROJECT_VERSION_TWEAK})
entw_pad_number(${ENTW_VERSION_MINOR} 2 _entw_minor_text)
entw_pad_number(${ENTW_VERSION_REVISION} 4 _entw_revision_text)
set(ENTW_VERSION_SHORT "${ENTW_VERSION_MAJOR}.${_entw_minor_text}")
set(ENTW_VERSION_LONG "${ENTW_VERSION_SHORT}.${_entw_revision_text}")

set(ENTW_PRODUCT_NAME "えんとぅ")
set(ENTW_INTERNAL_NAME "Entw")
set(ENTW_FILE_DESCRIPTION "Entw.exe")
set(ENTW_ORIGINAL_FILENAME "Entw.exe")
set(ENTW_JOIN_INTERNAL_NAME "entw-join")
set(ENTW_JOIN_FILE_DESCRIPTION "entw-join.exe")
set(ENTW_JOIN_ORIGINAL_FILENAME "entw-join.exe")
set(ENTW_COMMENTS "VOVEror files -beta-")
set(ENTW_STRING_TABLE "041104B0")

# One id names the desktop entry, its icon, the metainfo and the running window.
set(ENTW_APP_ID "io.github.entw.Entw")
