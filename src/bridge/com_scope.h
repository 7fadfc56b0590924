#pragma once

#include "video_platform.h"

// COM opened on the calling thread for the length of one native call. It is closed only when
// it was opened: a thread already in the multithreaded apartment answers RPC_E_CHANGED_MODE,
// and closing then would take that thread's apartment away from its owner.
class ComScope {
 public:
  ComScope() : opened_(SUCCEEDED(CoInitialize(nullptr))) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (opened_) CoUninitialize();
  }

 private:
  bool opened_;
};
