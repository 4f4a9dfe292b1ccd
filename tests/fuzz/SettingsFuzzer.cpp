// Fuzzes storing a setting over whatever SETTINGS.XML holds: the store either refuses
// the file with a reason or leaves a file that reads back with the one new value; and
// the nesting guard refuses a document the parser takes exactly when it is too deep.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "FuzzPlatform.h"

namespace {

// The depth of the elements of a parsed document, counted without recursion.
int ElementDepth(const pugi::xml_node& top) {
  int deepest = 0;
  std::vector<std::pair<pugi::xml_node, int>> open{{top, 0}};
  while (!open.empty()) {
    const auto [node, depth] = open.back();
    open.pop_back();
    for (pugi::xml_node child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      deepest = std::max(deepest, depth + 1);
      open.emplace_back(child, depth + 1);
    }
  }
  return deepest;
}

// A document the parser takes is refused for its depth exactly when its elements nest
// deeper than the limit: comments, CDATA and the like neither hide nor add depth.
void CheckDepthGuard(const std::string& path, const uint8_t* data, size_t size) {
  pugi::xml_document parsed;
  if (!parsed.load_buffer(data, size)) return;
  const bool deep = ElementDepth(parsed) > MaxXmlDepth;
  try {
    OpenXML(path);
    if (deep) std::abort();
  } catch (const EXmlError& error) {
    if ((std::strstr(error.what(), "nested deeper") != nullptr) != deep) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  THeadlessPlatform& platform = FuzzPlatform();
  const std::string path = XmlFolder() + "SETTINGS.XML";
  WriteFuzzFile(path, data, size);
  CheckDepthGuard(path, data, size);
  AnswerAnyDialog(platform);
  try {
    SetSetting("HISCORE", 123456);
  } catch (const EXmlError&) {
    ForgetUnusedAnswers(platform);
    return 0;
  }
  ForgetUnusedAnswers(platform);
  const auto document = OpenXML(path);
  int found = 0;
  for (pugi::xml_node child : document->Root().children("hiscore")) {
    ++found;
    if (std::strcmp(child.text().get(), "123456") != 0) std::abort();
  }
  if (found != 1) std::abort();
  return 0;
}
