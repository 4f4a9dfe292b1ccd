// Fuzzes storing a setting over whatever SETTINGS.XML holds: the store either refuses
// the file with a reason or leaves a file that reads back with the one new value.
#include <cstdlib>
#include <cstring>

#include "FuzzPlatform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  THeadlessPlatform& platform = FuzzPlatform();
  const std::string path = XmlFolder() + "SETTINGS.XML";
  WriteFuzzFile(path, data, size);
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
