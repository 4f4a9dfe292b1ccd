// Owning object lists, the case-insensitive string list and the point list.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/Geometry.h"

// What IsListEmpty and LastIndexOf need to know of any list.
class TCustomListBase {
 public:
  virtual ~TCustomListBase() = default;
  virtual int Count() const = 0;
  bool IsEmpty() const { return Count() == 0; }
};

// A list that owns its items: removing an item, clearing the list or destroying it
// frees the items.
template <typename T>
class TCustomObjectList : public TCustomListBase {
 public:
  TCustomObjectList() = default;
  TCustomObjectList(const TCustomObjectList&) = delete;
  TCustomObjectList& operator=(const TCustomObjectList&) = delete;

  int Count() const override { return static_cast<int>(Entries.size()); }
  T* Items(int index) const { return Entries.at(static_cast<size_t>(index)).get(); }
  T* operator[](int index) const { return Items(index); }

  // Appends the item and returns it, so that a caller can create, add and keep using
  // an object in one expression.
  template <typename U>
  U* Add(std::unique_ptr<U> item) {
    U* added = item.get();
    Entries.push_back(std::move(item));
    return added;
  }
  template <typename U>
  U* Insert(int index, std::unique_ptr<U> item) {
    U* added = item.get();
    Entries.insert(Entries.begin() + index, std::move(item));
    return added;
  }
  void Delete(int index) { Entries.erase(Entries.begin() + index); }
  // Frees the item when the list holds it.
  void Remove(const T* item) {
    std::erase_if(Entries, [item](const std::unique_ptr<T>& entry) { return entry.get() == item; });
  }
  void Clear() { Entries.clear(); }
  int IndexOf(const T* item) const {
    for (int i = 0; i < Count(); ++i)
      if (Entries[static_cast<size_t>(i)].get() == item) return i;
    return -1;
  }

  auto begin() const { return Entries.begin(); }
  auto end() const { return Entries.end(); }

 private:
  std::vector<std::unique_ptr<T>> Entries;
};

// A list of texts, unsorted and with duplicates, whose look-up ignores letter case.
class TCustomStringList {
 public:
  int Count() const { return static_cast<int>(Strings.size()); }
  bool IsEmpty() const { return Strings.empty(); }
  const std::string& operator[](int index) const { return Strings.at(static_cast<size_t>(index)); }
  void Add(std::string text) { Strings.push_back(std::move(text)); }
  void Clear() { Strings.clear(); }
  // True when the list holds Text, ignoring letter case.
  bool Contains(const std::string& text) const;

 private:
  std::vector<std::string> Strings;
};

// The gun trail: an owning list of points, oldest first.
class TPointList : public TCustomObjectList<TPoint> {
 public:
  void AddPoint(TPoint p) { Add(std::make_unique<TPoint>(p)); }
  TPoint Point(int index) const { return *Items(index); }
};

// True when the list is absent or has no items.
bool IsListEmpty(const TCustomListBase* list);
// Count - 1, or -1 when the list is absent.
int LastIndexOf(const TCustomListBase* list);
// True when the string list is absent or has no items.
bool IsStringsEmpty(const TCustomStringList* list);
