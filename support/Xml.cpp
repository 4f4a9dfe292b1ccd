// XML files on pugixml: guarded reading, atomic writing, and where the files live.
#include "support/Xml.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/GameFolders.h"
#include "support/MessageDialog.h"
#include "support/Paths.h"
#include "support/TextRoutines.h"

std::string SubFolder = "XML/";
const char* const SettingsFileBase = "SETTINGS";

namespace {

std::string SystemError(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

bool CanWriteInto(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return access(folder.c_str(), W_OK) == 0;
}

// The deepest nesting of elements in Text, counted from its tags without parsing it.
int NestingDepth(const std::string& text) {
  int depth = 0, deepest = 0;
  for (size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1)) {
    const char next = at + 1 < text.size() ? text[at + 1] : '\0';
    if (next == '!' || next == '?') continue;
    if (next == '/') {
      --depth;
      continue;
    }
    const size_t end = text.find('>', at);
    if (end != std::string::npos && end > at && text[end - 1] == '/') continue;
    deepest = std::max(deepest, ++depth);
  }
  return deepest;
}

void ParseInto(TXML& document, const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error) throw EXmlError("cannot read " + path + ": " + error.message());
  if (size > MaxXmlFileBytes)
    throw EXmlError(path + " is " + std::to_string(size) + " bytes, more than an XML file of the game can be");
  std::ifstream file(path, std::ios::binary);
  std::stringstream contents;
  contents << file.rdbuf();
  if (!file) throw EXmlError(SystemError("cannot read", path));
  const std::string text = contents.str();
  if (NestingDepth(text) > MaxXmlDepth) throw EXmlError(path + " is nested deeper than an XML file of the game can be");
  const pugi::xml_parse_result result = document.Document.load_buffer(text.data(), text.size());
  if (!result)
    throw EXmlError(path + " cannot be read as XML: " + result.description() + " at byte " +
                    std::to_string(result.offset));
}

}  // namespace

std::string XmlFolder() {
  if (RunsInstalled()) return InstalledFilesFolder();
  const std::string wanted = ProgramFolder() + SubFolder;
  if (CanWriteInto(wanted)) return wanted;
  const std::string fallback = UserDataFolder();
  static std::string told;
  if (told != wanted) {
    std::fprintf(stderr, "blastover: %s cannot be written; scores and settings are kept in %s\n", wanted.c_str(),
                 fallback.c_str());
    told = wanted;
  }
  std::error_code ignored;
  std::filesystem::create_directories(fallback, ignored);
  return fallback;
}

std::unique_ptr<TXML> OpenXML(const std::string& fileName) {
  auto document = std::make_unique<TXML>();
  if (fileName.empty()) {
    document->Document.append_child(document->RootName.c_str());
    return document;
  }
  const std::string path = HasPath(fileName) ? fileName : XmlFolder() + fileName;
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
  if (std::filesystem::exists(path)) ParseInto(*document, path);
  document->FileName = path;
  return document;
}

void TXML::Save() const {
  if (FileName.empty()) throw EXmlError("the document has no file to be saved to");
  std::ostringstream text;
  // One line, without a declaration of ours: what the files have always looked like.
  Document.save(text, "", pugi::format_raw | pugi::format_no_declaration);
  const std::string contents = text.str();

  const std::string temporary = FileName + ".new";
  // A fresh file of our own: whatever lies under that name (a left-over of a crash, or a
  // link planted to make us write elsewhere) goes first, and a link is never followed.
  unlink(temporary.c_str());
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) throw EXmlError(SystemError("cannot write", temporary));
  struct stat old {};
  if (stat(FileName.c_str(), &old) == 0) fchmod(fd, old.st_mode & 07777);  // renaming must not change who may read it
  size_t written = 0;
  while (written < contents.size()) {
    const ssize_t n = write(fd, contents.data() + written, contents.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const std::string message = SystemError("cannot write", temporary);
      close(fd);
      unlink(temporary.c_str());
      throw EXmlError(message);
    }
    written += static_cast<size_t>(n);
  }
  if (fsync(fd) != 0 || close(fd) != 0) {
    const std::string message = SystemError("cannot write", temporary);
    unlink(temporary.c_str());
    throw EXmlError(message);
  }
  if (rename(temporary.c_str(), FileName.c_str()) != 0) {
    const std::string message = SystemError("cannot replace", FileName);
    unlink(temporary.c_str());
    throw EXmlError(message);
  }
  // The folder's entry too, so that the new file survives a power cut.
  const int folder = open(std::filesystem::path(FileName).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
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
