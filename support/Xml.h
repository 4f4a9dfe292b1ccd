// TXML: the support library's XML document, the opening routine and the settings store.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// A document that cannot be read or written; the message says which file and why.
class EXmlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The folder, relative to the program's folder, in which bare file names are placed;
// "XML/" until the game clears it at start-up.
extern std::string SubFolder;
// The settings file's base name when none is given.
extern const char* const SettingsFileBase;
// Files larger than this are refused before they are parsed.
constexpr size_t MaxXmlFileBytes = 1 << 20;
// Documents nested deeper than this are refused: nothing of ours nests beyond three.
constexpr int MaxXmlDepth = 64;

class TXML {
 public:
  TXML() = default;

  // The document element, or an empty node when there is none.
  pugi::xml_node Root() const { return Document.document_element(); }
  // Replaces the file with the document, atomically: a crash or a full disk leaves the
  // old file or the new one, never a broken one. Throws EXmlError.
  void Save() const;

  std::string RootName = "root";
  std::string FileName;
  pugi::xml_document Document;
};

// The folder the game's files belong in: for an installed program, the player's data
// folder; otherwise the program's folder and SubFolder. Empty when there is none.
std::string OwnFilesFolder();
// The folder in which the game keeps its files: OwnFilesFolder, or, when that cannot be
// written, the player's data folder (said once on stderr). Empty when there is neither.
std::string XmlFolder();
// Why there is no folder to keep the game's files in.
std::string NoFolderText();
// A new document: for a bare name, the file of that name in XmlFolder(), parsed when it
// exists (EXmlError when it cannot be read, or when there is no folder to keep it in);
// for an empty name, a document with the root element and no file.
std::unique_ptr<TXML> OpenXML(const std::string& fileName);
// Replaces the element Key under the root (every one, should an edited file hold more)
// by a new one at the end holding Value.
pugi::xml_node SetVal(TXML& document, const std::string& key, const std::string& value);
pugi::xml_node SetVal(TXML& document, const std::string& key, int64_t value);
// Stores one setting (the key in lower case) in FileBase.XML, default SETTINGS.XML,
// keeping the other settings there. Throws EXmlError.
void SetSetting(const std::string& key, int64_t value, const std::string& fileBase = "");
void SetSetting(const std::string& key, const std::string& value, const std::string& fileBase = "");
