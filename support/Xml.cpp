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

// Where the markup item that opens at At ("<...") ends: one past its closing text. Comments,
// CDATA, processing instructions and a document type (with its internal subset) hold no
// elements; a tag's quoted attribute values may hold '>'. npos when it never ends.
size_t MarkupEnd(const std::string& text, size_t at) {
  const auto past = [&text, at](const char* closing, size_t from) {
    const size_t end = text.find(closing, at + from);
    return end == std::string::npos ? end : end + std::char_traits<char>::length(closing);
  };
  if (text.compare(at, 4, "<!--") == 0) return past("-->", 4);
  if (text.compare(at, 9, "<![CDATA[") == 0) return past("]]>", 9);
  if (text.compare(at, 2, "<?") == 0) return past("?>", 2);
  char quote = 0;
  int subset = 0;  // inside a document type's [ ... ]
  for (size_t i = at + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[' && text[at + 1] == '!') {
      ++subset;
    } else if (c == ']' && subset > 0) {
      --subset;
    } else if (c == '>' && subset == 0) {
      return i + 1;
    } else if (c == '<' && subset > 0) {
      const size_t inner = MarkupEnd(text, i);  // a declaration of the internal subset
      if (inner == std::string::npos) return inner;
      i = inner - 1;
    }
  }
  return std::string::npos;
}

// The deepest nesting of elements in Text, counted from its tags without parsing it:
// only start and end tags count, so that comments and CDATA neither add nor hide depth.
int NestingDepth(const std::string& text) {
  int depth = 0, deepest = 0;
  for (size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at)) {
    const size_t end = MarkupEnd(text, at);
    if (end == std::string::npos) break;  // cut short: the parser says what is wrong
    const char next = at + 1 < text.size() ? text[at + 1] : '\0';
    if (next == '/') {
      --depth;
    } else if (next != '!' && next != '?') {
      deepest = std::max(deepest, depth + 1);  // an empty element is as deep as any
      if (text[end - 2] != '/') ++depth;
    }
    at = end;
  }
  return deepest;
}

void ParseInto(TXML& document, const std::string& path) {
  const TFileContents file = Files().ReadFile(path, MaxXmlFileBytes);
  if (file.Outcome == TReadOutcome::Missing) return;
  if (file.Outcome == TReadOutcome::TooLarge)
    throw EXmlError(path + " is " + std::to_string(file.Size) + " bytes, more than an XML file of the game can be");
  if (file.Outcome == TReadOutcome::Failed) throw EXmlError("cannot read " + path + ": " + file.Error);
  if (NestingDepth(file.Bytes) > MaxXmlDepth) throw EXmlError(path + " is nested deeper than an XML file of the game can be");
  const pugi::xml_parse_result result = document.Document.load_buffer(file.Bytes.data(), file.Bytes.size());
  if (!result)
    throw EXmlError(path + " cannot be read as XML: " + result.description() + " at byte " +
                    std::to_string(result.offset));
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
  static std::string told;
  if (told != wanted) {
    if (fallback.empty())
      std::fprintf(stderr, "blastover: %s\n", NoFolderText().c_str());
    else
      std::fprintf(stderr, "blastover: %s cannot be written; scores and settings are kept in %s\n", wanted.c_str(),
                   fallback.c_str());
    told = wanted;
  }
  if (!fallback.empty()) Files().MakeFolder(fallback);
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
