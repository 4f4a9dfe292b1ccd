// XML files on pugixml: guarded reading, atomic writing, and where the files live.
#include "support/Xml.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "platform/Platform.h"
#include "support/GameFolders.h"
#include "support/MessageDialog.h"
#include "support/Paths.h"
#include "support/TextRoutines.h"

std::string SubFolder = "XML/";
const char* const SettingsFileBase = "SETTINGS";

namespace {

TFileSystem& Files() { return CurrentPlatform().Files(); }

// The deepest nesting of elements in a parsed document, walked without recursion. Counted
// on what the parser read, whatever the file's encoding, its document type or what
// follows a NUL, where the parser stops.
int NestingDepth(const pugi::xml_document& document) {
  int depth = 0, deepest = 0;
  pugi::xml_node node = document.first_child();
  while (node) {
    if (node.type() == pugi::node_element) deepest = std::max(deepest, depth + 1);
    if (pugi::xml_node child = node.first_child()) {
      node = child;
      ++depth;
      continue;
    }
    while (!node.next_sibling() && node.parent() != document) {
      node = node.parent();
      --depth;
    }
    node = node.next_sibling();
  }
  return deepest;
}

void ParseInto(TXML& document, const std::string& path) {
  const TFileContents file = Files().ReadFile(path, MaxXmlFileBytes);
  if (file.Outcome == TReadOutcome::Missing) return;
  if (file.Outcome == TReadOutcome::TooLarge)
    throw EXmlError(path + " is " + std::to_string(file.Size) + " bytes, more than an XML file of the game can be");
  if (file.Outcome == TReadOutcome::Failed) throw EXmlError("cannot read " + path + ": " + file.Error);
  const pugi::xml_parse_result result = document.Document.load_buffer(file.Bytes.data(), file.Bytes.size());
  if (!result)
    throw EXmlError(path + " cannot be read as XML: " + result.description() + " at byte " +
                    std::to_string(result.offset));
  // The parser itself takes any depth without recursion; some of the library's edits recurse.
  if (NestingDepth(document.Document) > MaxXmlDepth)
    throw EXmlError(path + " is nested deeper than an XML file of the game can be");
}

}  // namespace

std::string OwnFilesFolder() {
  if (RunsInstalled()) return InstalledFilesFolder();
  return ProgramFolder() + SubFolder;
}

std::string XmlFolder() {
  const std::string wanted = OwnFilesFolder();
  if (!wanted.empty() && Files().MakeFolder(wanted) && Files().FolderAcceptsWrites(wanted)) return wanted;
  const std::string fallback = Files().DataFolder();
  const bool fallbackWritable = !fallback.empty() && fallback != wanted && Files().MakeFolder(fallback) &&
                                Files().FolderAcceptsWrites(fallback);
  static std::string told;
  if (told != wanted) {
    // What was tried, and where the files are read from now.
    if (fallback.empty())
      std::fprintf(stderr, "blastover: %s\n", NoFolderText().c_str());
    else if (fallbackWritable)
      std::fprintf(stderr, "blastover: %s cannot be written; scores and settings are kept in %s\n", wanted.c_str(),
                   fallback.c_str());
    else if (fallback == wanted)
      std::fprintf(stderr, "blastover: %s cannot be written: scores and settings are read from there but not saved\n",
                   wanted.c_str());
    else
      std::fprintf(stderr,
                   "blastover: neither %s nor %s can be written: scores and settings are read from %s but not saved\n",
                   wanted.c_str(), fallback.c_str(), fallback.c_str());
    told = wanted;
  }
  return fallback;
}

std::string NoFolderText() {
  return "no home folder is known (HOME is not set, and the password database has none): scores and "
         "settings cannot be kept";
}

std::unique_ptr<TXML> OpenXML(const std::string& fileName) {
  auto document = std::make_unique<TXML>();
  if (fileName.empty()) {
    document->Document.append_child(document->RootName.c_str());
    return document;
  }
  std::string path = fileName;
  if (!HasPath(fileName)) {
    const std::string folder = XmlFolder();
    if (folder.empty()) throw EXmlError(fileName + " cannot be read or kept: " + NoFolderText());
    path = folder + fileName;
  }
  Files().MakeFolder(ExtractFilePath(path));
  ParseInto(*document, path);
  document->FileName = path;
  return document;
}

void TXML::Save() const {
  if (FileName.empty()) throw EXmlError("the document has no file to be saved to");
  std::ostringstream text;
  // One line, without a declaration of ours: what the files have always looked like.
  Document.save(text, "", pugi::format_raw | pugi::format_no_declaration);
  std::string error;
  if (!Files().SaveFile(FileName, text.str(), error)) throw EXmlError(error);
}

pugi::xml_node SetVal(TXML& document, const std::string& key, const std::string& value) {
  pugi::xml_node root = document.Root();
  if (!root && document.Document.first_child())
    ShowMessageDialog("XML error in SetVal. " + key + " " + value, MessageKindInformation);
  if (!root) root = document.Document.append_child(document.RootName.c_str());
  // A setting has one value: an edited file may hold the key twice, and both go.
  while (pugi::xml_node old = root.child(key.c_str())) root.remove_child(old);
  pugi::xml_node element = root.append_child(key.c_str());
  if (!value.empty()) element.text().set(value.c_str());
  return element;
}

pugi::xml_node SetVal(TXML& document, const std::string& key, int64_t value) {
  return SetVal(document, key, std::to_string(value));
}

void SetSetting(const std::string& key, const std::string& value, const std::string& fileBase) {
  std::string name = StripExt(fileBase);
  if (name.empty()) name = SettingsFileBase;
  name = ChangeExt(name, ".XML");
  auto document = OpenXML(XmlFolder() + name);
  SetVal(*document, LowerCaseAscii(key), value);
  document->Save();
}

void SetSetting(const std::string& key, int64_t value, const std::string& fileBase) {
  SetSetting(key, std::to_string(value), fileBase);
}
