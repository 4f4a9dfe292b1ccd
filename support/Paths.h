// File paths, and starting another program or opening a document or web address.
#pragma once

#include <string>

// The folder of the program file, with a trailing separator.
std::string ProgramFolder();
// Name holds a folder part.
bool HasPath(const std::string& name);
// The folder part of Name with its trailing separator; empty when it has none.
std::string ExtractFilePath(const std::string& name);
// Name with its extension replaced by Ext; "." goes in front of a non-empty Ext that has none.
std::string ChangeExt(const std::string& name, const std::string& ext);
// ChangeExt(Name, "").
std::string StripExt(const std::string& name);
// Empty when the last system error is 0; otherwise its text and " (Code n)".
std::string LastErrorText();
// What the program starter shows when File can be neither started nor opened.
std::string ProgramFailureText(const std::string& file);
// Starts File as a program with Parameters, or when that fails opens it with the
// desktop's default handler (a web address opens in the browser), without waiting for
// the handler. A failure is shown in the message dialog, later when found later.
void RunProgram(const std::string& file, const std::string& parameters, bool wait, bool show);
