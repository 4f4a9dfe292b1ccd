// The list routines that are not templates.
#include "support/ObjectLists.h"

#include "support/TextRoutines.h"

bool TCustomStringList::Contains(const std::string& text) const {
  return std::any_of(Strings.begin(), Strings.end(), [&](const std::string& s) { return SameTextIgnoringCase(s, text); });
}

bool IsListEmpty(const TCustomListBase* list) { return list == nullptr || list->IsEmpty(); }

int LastIndexOf(const TCustomListBase* list) { return list == nullptr ? -1 : list->Count() - 1; }

bool IsStringsEmpty(const TCustomStringList* list) { return list == nullptr || list->IsEmpty(); }
