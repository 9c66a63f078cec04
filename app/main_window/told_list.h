// The log's list control as the procedure writes it, telling whoever watches the run each change.
#pragma once

#include <string>
#include <string_view>

#include "output_log.h"
#include "run_observer.h"

// Passes every call on to `list`; each line the list took, and each clear, goes to `observer` too,
// the line as the list reads it back, byte for byte what the window shows.
class ToldList final : public ListControl {
 public:
  ToldList(ListControl& list, RunObserver& observer) : list_(list), observer_(observer) {}

  int Count() const override { return list_.Count(); }
  bool Add(std::string_view text) override {
    if (!list_.Add(text)) return false;
    Tell(list_.Count() - 1);
    return true;
  }
  std::string Read(int index) const override { return list_.Read(index); }
  bool Replace(int index, std::string_view text) override {
    if (!list_.Replace(index, text)) return false;
    Tell(index);
    return true;
  }
  void Clear() override {
    list_.Clear();
    observer_.LogCleared();
  }
  void SetFirstVisible(int index) override { list_.SetFirstVisible(index); }
  void RedrawNow() override { list_.RedrawNow(); }

 private:
  void Tell(int index) { observer_.LogLineSet(index, list_.Read(index)); }

  ListControl& list_;
  RunObserver& observer_;
};
