// PageFiles: the web page's files (page/*.html, *.js, *.css), compiled into the program by
// the build (EmbedPageFiles.cmake writes their bytes into a generated source), so a request
// never reaches the file system. Names are the files' own ("index.html").
#pragma once

#include <string_view>

namespace kestrel::tool::serve {

struct PageFile {
  std::string_view name;
  std::string_view contentType;
  std::string_view bytes;
};

// None for a name the page does not have.
const PageFile* findPageFile(std::string_view name);

}  // namespace kestrel::tool::serve
