#pragma once

#include <string>

#include "engine/system/system_driver.h"

// A system driver that does nothing: tests derive from it and override only
// the calls they watch.
class QuietSystemDriver : public TSystemDriver {
 public:
  void Poll() override {}
  void Wait() override {}
  void MoveMouse(int, int) override {}
  void SetMouseVisible(bool) override {}
  void Notify(const std::u16string&, bool) override {}
  int Confirm(const std::u16string&, bool) override { return 0; }
  int Proceed(const std::u16string&, bool) override { return 0; }
  std::string RequestFile(const std::u16string&, const std::string&, bool, const std::string&) override {
    return {};
  }
  std::string RequestDir(const std::u16string&, const std::string&) override { return {}; }
  int OpenURL(const std::string&) override { return 0; }
};
