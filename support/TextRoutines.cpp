// Text routines with exactly the cutting and padding rules their callers rely on.
#include "support/TextRoutines.h"

#include <algorithm>

namespace {

char LowCaseChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

size_t FindIgnoringCase(const std::string& s, const std::string& sub) {
  const auto at = std::search(s.begin(), s.end(), sub.begin(), sub.end(),
                              [](char a, char b) { return LowCaseChar(a) == LowCaseChar(b); });
  return at == s.end() ? std::string::npos : static_cast<size_t>(at - s.begin());
}

// Blanks and control characters, as a trim removes them.
bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

char FirstChar(const std::string& s) { return s.empty() ? '\0' : s.front(); }

std::string SubText(const std::string& s, int from, int count) {
  if (count <= 0) return {};
  const int start = std::max(from, 1) - 1;
  if (start >= static_cast<int>(s.size())) return {};
  return s.substr(static_cast<size_t>(start), static_cast<size_t>(count));
}

std::string CopyFrom(const std::string& s, int from) {
  return SubText(s, from, static_cast<int>(s.size()));
}

std::string PadRight(const std::string& s, char c, int n) {
  n = std::clamp(n, 1, 255);
  std::string result = s.substr(0, static_cast<size_t>(n));
  result.resize(static_cast<size_t>(n), c);
  return result;
}

std::string ZeroPad(int64_t value, int width) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<size_t>(width) - text.size(), '0');
  return text;
}

std::string SpacePad(int64_t value, int width) {
  std::string text = std::to_string(value);
  if (width <= 0) return text;
  if (static_cast<int>(text.size()) < width) return std::string(static_cast<size_t>(width) - text.size(), ' ') + text;
  return text.substr(0, static_cast<size_t>(width));
}

std::string TextBefore(const std::string& separator, const std::string& s) {
  if (separator.empty()) return s;
  const size_t at = FindIgnoringCase(s, separator);
  return at == std::string::npos ? s : s.substr(0, at);
}

bool SameTextTrimmed(const std::string& a, const std::string& b) { return SameTextIgnoringCase(Trim(a), Trim(b)); }

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return LowCaseChar(x) == LowCaseChar(y); });
}

int CountOf(const std::string& sub, const std::string& s) {
  if (sub.empty()) return 0;
  // Deleting each find before searching again lets parts of the text around a find
  // join into a new one ("aabb" holds "ab" twice): the rule callers count with.
  std::string rest = s;
  int count = 0;
  for (size_t at = FindIgnoringCase(rest, sub); at != std::string::npos; at = FindIgnoringCase(rest, sub)) {
    rest.erase(at, sub.size());
    ++count;
  }
  return count;
}

char UpCaseChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperCaseAscii(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), UpCaseChar);
  return s;
}

std::string LowerCaseAscii(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), LowCaseChar);
  return s;
}

std::string Trim(const std::string& s) {
  const auto first = std::find_if_not(s.begin(), s.end(), IsTrimmed);
  const auto last = std::find_if_not(s.rbegin(), s.rend(), IsTrimmed).base();
  return first < last ? std::string(first, last) : std::string();
}
