# Writes OUT, a C++ file holding the page's files (FILES, from DIR) as byte
# arrays and the table pageFiles() returns.
set(arrays "")
set(rows "")
set(number 0)
foreach(name IN LISTS FILES)
  file(READ "${DIR}/${name}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND arrays "const char kFile${number}[] = {${bytes} 0};\n")
  if(name STREQUAL "index.html")
    set(path "/")
  else()
    set(path "/${name}")
  endif()
  if(name MATCHES "\\.html$")
    set(type "text/html; charset=utf-8")
  elseif(name MATCHES "\\.css$")
    set(type "text/css; charset=utf-8")
  else()
    set(type "text/javascript; charset=utf-8")
  endif()
  string(APPEND rows "    {\"${path}\", \"${type}\", {kFile${number}, sizeof kFile${number} - 1}},\n")
  math(EXPR number "${number} + 1")
endforeach()
file(WRITE "${OUT}.new" "// Made by logostudio/embed_page.cmake from logostudio/page/.\n"
  "#include \"logostudio/page_files.h\"\n\nnamespace logostudio {\nnamespace {\n\n"
  "${arrays}\nconst PageFile kPageFiles[] = {\n${rows}};\n\n}  // namespace\n\n"
  "std::span<const PageFile> pageFiles() {\n  return kPageFiles;\n}\n\n}  // namespace logostudio\n")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
