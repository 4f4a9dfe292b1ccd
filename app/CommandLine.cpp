// The command line's answers: the help text, the version and the one-line complaint.
#include "app/CommandLine.h"

namespace {

constexpr const char* ProgramName = "blastover";

std::string WithoutTrailingSlash(std::string folder) {
  if (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
  return folder;
}

void PrintFiles(const TProgramInfo& info, std::ostream& out) {
  const std::string folder = WithoutTrailingSlash(info.DataFolder) + " (" + info.DataFolderKind.Name + ")";
  out << "  HISCORE.XML (the high-score table) and SETTINGS.XML. ";
  if (info.DataFolderKind.Installed)
    out << "An installed game keeps them in\n"
        << "  " << folder << ";\n"
        << "  a game run from its build folder keeps them beside the program.\n";
  else
    out << "The game keeps them beside the\n"
        << "  program, or where its folder cannot be written, in " << folder << ".\n";
}

void PrintHelp(const TProgramInfo& info, std::ostream& out) {
  out << "Usage: " << ProgramName << " [--volume N] [--mute | --unmute]\n"
      << "       " << ProgramName << " [--help | --version]\n"
      << "\n"
      << "Blastover is an arcade shooter played over your own desktop. Attackers from thirteen\n"
         "arcade-themed levels chase the mouse pointer, which is your gun; everything the game\n"
         "does not draw stays see-through and lets your clicks pass to the windows beneath.\n"
         "Between games a star-field menu shows the high-score table and takes your name.\n"
      << "\n"
      << "Playing:\n"
         "  mouse           the pointer is the gun: keep it away from attackers and missiles\n"
         "  left button     fire a growing flash; the gun then reloads for two seconds\n"
         "  Escape          leave the game (or shoot the word QUIT at the top of the screen)\n"
         "  in the menu     type your name and press Enter; click PLAY, HOMEPAGE or QUIT\n"
      << "\n"
      << "Files:\n";
  PrintFiles(info, out);
  out << "\n"
      << "Environment:\n";
  for (const TBackEndInfo* backEnd : info.BackEnds)
    for (const TEnvironmentSwitch& entry : backEnd->Switches)
      out << "  " << entry.Setting << "\n      " << backEnd->Name << ": " << entry.Effect << "\n";
  out << "\n"
      << "Options:\n"
         "  --volume N      play every sound at N percent (0 to 100) of its loudness; N above 0\n"
         "                  also turns a muted sound on again\n"
         "  --mute          play without sound, this time and from now on\n"
         "  --unmute        play with sound again, at the remembered volume\n"
         "                  (SETTINGS.XML remembers the sound for the next starts)\n"
         "  -h, --help      show this help and leave\n"
         "  -V, --version   show the version and the back ends built in, and leave\n";
}

void PrintVersion(const TProgramInfo& info, std::ostream& out) {
  out << "Blastover " << info.Version << "\n" << "Back ends:\n";
  for (const TBackEndInfo* backEnd : info.BackEnds) out << "  " << backEnd->Name << ": " << backEnd->Role << "\n";
}

// A written answer counts only when it reached its reader (a full disk, a closed pipe).
int Finish(std::ostream& out, std::ostream& err, const char* what) {
  out.flush();
  if (out) return 0;
  err << ProgramName << ": cannot write the " << what << "\n";
  return 1;
}

}  // namespace

std::optional<int> HandleCommandLine(std::span<const char* const> arguments, const TProgramInfo& info,
                                     std::ostream& out, std::ostream& err, TSoundWish& sound) {
  bool help = false, version = false;
  std::string badVolume;  // the first complaint about a volume, said only when the game starts
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      help = true;
    } else if (argument == "--version" || argument == "-V") {
      version = true;
    } else if (argument == "--mute" || argument == "--unmute") {
      sound.Muted = argument == "--mute";
    } else if (argument == "--volume" || argument.starts_with("--volume=")) {
      // The value follows, after '=' or as the next argument unless that is another option.
      std::optional<std::string> value;
      if (argument != "--volume")
        value = argument.substr(argument.find('=') + 1);
      else if (i + 1 < arguments.size() && !std::string_view(arguments[i + 1]).starts_with("--"))
        value = arguments[++i];
      if (const std::optional<int> percent = value ? ReadVolume(*value) : std::nullopt) {
        sound.Volume = percent;
        // Asking for a level means wanting to hear it.
        if (*percent > 0) sound.Muted = false;
      } else if (badVolume.empty()) {
        badVolume = value ? "'" + *value + "' is not a volume" : "--volume needs a value";
      }
    } else {
      // The game takes no other argument: one line names the first it did not understand.
      const char* kind = argument.starts_with('-') ? "unknown option" : "unexpected argument";
      err << ProgramName << ": " << kind << " '" << argument << "' (try '" << ProgramName << " --help')\n";
      return 2;
    }
  }
  if (help) {
    PrintHelp(info, out);
    return Finish(out, err, "help");
  }
  if (version) {
    PrintVersion(info, out);
    return Finish(out, err, "version");
  }
  if (!badVolume.empty())
    err << ProgramName << ": " << badVolume << " (a whole number from 0 to 100); the volume stays as it was\n";
  return std::nullopt;
}
