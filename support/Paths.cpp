// Path routines and the program starter.
#include "support/Paths.h"

#include <cerrno>
#include <cstring>

#include "platform/Platform.h"
#include "support/MessageDialog.h"
#include "support/TextRoutines.h"

namespace {

constexpr size_t ShellTextLimit = 2005;  // what the shell hand-over takes of file and parameters

size_t ExtensionStart(const std::string& name) {
  const size_t dot = name.rfind('.');
  const size_t slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name.size();
  return dot;
}

}  // namespace

std::string ProgramFolder() { return CurrentPlatform().Files().ProgramFolder(); }

bool HasPath(const std::string& name) { return name.find_first_of("/\\") != std::string::npos; }

std::string ExtractFilePath(const std::string& name) {
  const size_t slash = name.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

std::string ChangeExt(const std::string& name, const std::string& ext) {
  std::string result = name.substr(0, ExtensionStart(name));
  if (!ext.empty() && ext.find('.') == std::string::npos) result += '.';
  return result + ext;
}

std::string StripExt(const std::string& name) { return ChangeExt(name, ""); }

std::string LastErrorText() {
  const int code = errno;
  if (code == 0) return {};
  return std::string(std::strerror(code)) + " (Code " + std::to_string(code) + ")";
}

std::string ProgramFailureText(const std::string& file) {
  return "Kon programma " + file + " niet uitvoeren. " + LastErrorText();
}

void RunProgram(const std::string& file, const std::string& parameters, bool wait, bool /*show*/) {
  // The window state a program starts in is the desktop's business on this platform.
  std::string commandLine = file + " " + parameters;
  if (file.find(' ') != std::string::npos && !parameters.empty()) commandLine = "\"" + file + "\" " + parameters;
  errno = 0;
  if (CurrentPlatform().StartProgram(Trim(commandLine), wait)) return;

  const std::string target = file.substr(0, ShellTextLimit);
  const std::string arguments = parameters.substr(0, ShellTextLimit);
  const std::string address = arguments.empty() ? target : target + " " + arguments;
  // The opener may take a while to find out that it cannot open the address; the
  // program goes on meanwhile, and hears of it later.
  const auto showFailure = [file](const TOpenFailure& failure) {
    errno = failure.Error;
    // Without the desktop's opener the file is not at fault: the message names what is missing.
    ShowMessageDialog(ProgramFailureText(failure.MissingOpener.empty() ? file : failure.MissingOpener), MessageKindError);
  };
  errno = 0;
  if (CurrentPlatform().OpenAddress(address, showFailure)) return;
  showFailure({errno, CurrentPlatform().MissingOpener()});
}
