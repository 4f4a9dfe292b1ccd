// Fuzzes the nesting guard of the XML reader: a document the parser takes is refused
// for its depth exactly when its elements nest deeper than the limit. Comments, CDATA,
// processing instructions, a document type, quoted text, the file's encoding and what
// follows a NUL neither hide nor add depth.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "FuzzPlatform.h"

namespace {

// The depth of the elements as the parser's own tree walk reports it.
class TDepthWalker : public pugi::xml_tree_walker {
 public:
  int Deepest = 0;
  bool for_each(pugi::xml_node& node) override {
    if (node.type() == pugi::node_element) Deepest = std::max(Deepest, depth() + 1);
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzPlatform();
  pugi::xml_document parsed;
  if (!parsed.load_buffer(data, size)) return 0;
  TDepthWalker walker;
  parsed.traverse(walker);
  const bool deep = walker.Deepest > MaxXmlDepth;
  const std::string path = XmlFolder() + "DEPTH.XML";
  WriteFuzzFile(path, data, size);
  try {
    OpenXML(path);
    if (deep) std::abort();
  } catch (const EXmlError& error) {
    if ((std::strstr(error.what(), "nested deeper") != nullptr) != deep) std::abort();
  }
  return 0;
}
