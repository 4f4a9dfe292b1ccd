// Filling, cutting and comparing texts. Positions are 1-based, as the game counts them.
#pragma once

#include <cstdint>
#include <string>

// The first character of S; the character 0 for an empty text.
char FirstChar(const std::string& s);
// Count characters of S from the 1-based position From (fewer at the end); empty when Count <= 0.
std::string SubText(const std::string& s, int from, int count);
// The characters of S from the 1-based position From to the end.
std::string CopyFrom(const std::string& s, int from);
// S followed by copies of C, cut to exactly N characters (1 <= N <= 255).
std::string PadRight(const std::string& s, char c, int n);
// Decimal text of V with "0" in front while it is shorter than Width; longer numbers stay whole.
std::string ZeroPad(int64_t value, int width);
// Decimal text of V; with Width > 0, blanks in front up to Width, or cut to the first
// Width characters when it is not shorter. Width 0 gives the plain text.
std::string SpacePad(int64_t value, int width);
// The part of S before the first Separator (letter case ignored); all of S without one.
std::string TextBefore(const std::string& separator, const std::string& s);
// Equal after trimming blanks and control characters at both ends and lower-casing.
bool SameTextTrimmed(const std::string& a, const std::string& b);
// Equal when "a" to "z" and "A" to "Z" are taken as the same letters.
bool SameTextIgnoringCase(const std::string& a, const std::string& b);
// How many times Sub can be found (ignoring case) and deleted from S, each search from the start.
int CountOf(const std::string& sub, const std::string& s);
// C with "a" to "z" turned into "A" to "Z"; every other character unchanged.
char UpCaseChar(char c);
std::string UpperCaseAscii(std::string s);
std::string LowerCaseAscii(std::string s);
std::string Trim(const std::string& s);
