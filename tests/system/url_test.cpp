#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/system/files.h"
#include "engine/system/system_driver.h"

namespace fs = std::filesystem;

namespace {

// Records the addresses handed to the desktop instead of opening them.
struct RecordingDriver : TSystemDriver {
  void Poll() override {}
  void Wait() override {}
  void MoveMouse(int, int) override {}
  void SetMouseVisible(bool) override {}
  void Notify(const std::u16string&, bool) override {}
  int Confirm(const std::u16string&, bool) override { return 0; }
  int Proceed(const std::u16string&, bool) override { return 0; }
  std::string RequestFile(const std::u16string&, const std::string&, bool,
                          const std::string&) override {
    return {};
  }
  std::string RequestDir(const std::u16string&, const std::string&) override { return {}; }
  int OpenURL(const std::string& url) override {
    opened.push_back(url);
    if (fail) throw std::runtime_error("no desktop");
    return 1;
  }
  std::vector<std::string> opened;
  bool fail = false;
};

class OpenUrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "quillory-url-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = fs::canonical(tmpl).string();
    old_ = fs::current_path();
    fs::current_path(dir_);
    SetSystemDriver(driver_);
  }
  void TearDown() override {
    SetSystemDriver(nullptr);
    fs::current_path(old_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::shared_ptr<RecordingDriver> driver_ = std::make_shared<RecordingDriver>();
  std::string dir_;
  fs::path old_;
};

}  // namespace

TEST_F(OpenUrlTest, LocalNamesBecomeFileOrWebAddresses) {
  std::ofstream("readme.txt") << "hello";
  fs::create_directory("docs");
  std::ofstream("docs/help.txt") << "hello";
  struct Case {
    std::string url, address;
  } cases[] = {
      {"readme.txt#top", "file:" + dir_ + "/readme.txt#top"},
      {"readme.txt", "file:" + dir_ + "/readme.txt"},
      {"docs\\help.txt#a#b", "file:" + dir_ + "/docs/help.txt#a#b"},
      {"./docs/../readme.txt", "file:" + dir_ + "/readme.txt"},
      {"missing.txt#top", "http:missing.txt#top"},
      {"www.example.org/page", "http:www.example.org/page"},
      // Addresses with a scheme go through untouched, whatever their case.
      {"http://example.org/#x", "http://example.org/#x"},
      {"HTTPS://example.org", "HTTPS://example.org"},
      {"File:/etc/hosts", "File:/etc/hosts"},
      {"mailto:someone", "http:mailto:someone"},
  };
  for (const auto& c : cases) {
    driver_->opened.clear();
    EXPECT_EQ(OpenURL(c.url), 0) << c.url;
    EXPECT_EQ(driver_->opened, std::vector<std::string>{c.address}) << c.url;
  }
}

TEST_F(OpenUrlTest, AFailingDesktopDoesNotReachTheCaller) {
  driver_->fail = true;
  EXPECT_EQ(OpenURL("https://example.org"), 0);
  EXPECT_EQ(driver_->opened.size(), 1u);
}
