// Bundles: locating a module's bundle and its gettext string tables.
#include "platform/bundle.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "env.h"
#include "platform/process.h"
#include "scratch_dir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// Japanese messages under a C.UTF-8 locale: gettext honours LANGUAGE there
// (it ignores it only while the locale is plain "C").
class BundleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = dlopen(FIXTURE_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module_, nullptr) << dlerror();
  }
  static void TearDownTestSuite() {
    if (module_) dlclose(module_);
    module_ = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(module_, nullptr);
    ASSERT_TRUE(japanese_.emplace("ja").ok());
    auto address = reinterpret_cast<const void* (*)()>(dlsym(module_, "FixtureCodeAddress"));
    ASSERT_NE(address, nullptr);
    bundle_ = std::make_unique<Bundle>(Bundle::ForAddress(address()));
  }
  void TearDown() override { japanese_.reset(); }
  static void* module_;
  std::unique_ptr<Bundle> bundle_;
  std::optional<testsupport::ScopedLanguage> japanese_;
};
void* BundleTest::module_ = nullptr;

TEST_F(BundleTest, ForAddressFindsTheModulesFolderAndDomain) {
  fs::path module = fs::canonical(FIXTURE_MODULE);
  EXPECT_EQ(bundle_->path(), module.parent_path().string());
  EXPECT_EQ(bundle_->domain(), "fixture");
  EXPECT_EQ(bundle_->resourcesPath(), bundle_->path() + "/Resources");
}

TEST_F(BundleTest, TranslatesFromTheCompiledCatalogue) {
  EXPECT_EQ(bundle_->localizedString("Card"), "カード");
  EXPECT_EQ(bundle_->localizedString("ProfileTitle"), "プロファイル管理");
  std::string out = "untouched";
  EXPECT_TRUE(bundle_->lookupString("Disk", &out));
  EXPECT_EQ(out, "ディスク");
}

TEST_F(BundleTest, MissingTranslationsAnswerTheKey) {
  EXPECT_EQ(bundle_->localizedString("No such key"), "No such key");
  EXPECT_EQ(bundle_->localizedString("Untranslated"), "Untranslated");  // empty msgstr
  std::string out = "untouched";
  EXPECT_FALSE(bundle_->lookupString("No such key", &out));
  EXPECT_FALSE(bundle_->lookupString("Untranslated", &out));
  EXPECT_EQ(out, "untouched");
  // The empty key is not the catalogue's header entry.
  EXPECT_EQ(bundle_->localizedString(""), "");
  EXPECT_FALSE(bundle_->lookupString("", &out));
  EXPECT_EQ(out, "untouched");
}

TEST_F(BundleTest, LanguageWithoutCatalogueAnswersTheKey) {
  setenv("LANGUAGE", "fr", 1);
  EXPECT_EQ(bundle_->localizedString("Card"), "Card");
  setenv("LANGUAGE", "fr:ja", 1);  // falls through to the next language
  EXPECT_EQ(bundle_->localizedString("Card"), "カード");
}

TEST_F(BundleTest, PlainCLocaleIgnoresLanguage) {
  // glibc's rule, which hosts must know: LANGUAGE counts only when a real
  // locale is set.
  setenv("LC_ALL", "C", 1);
  ASSERT_NE(setlocale(LC_ALL, ""), nullptr);
  EXPECT_EQ(bundle_->localizedString("Card"), "Card");
}

TEST_F(BundleTest, BundlesWithOtherDomainsKeepTheirOwnTables) {
  // A second bundle, its catalogue compiled now with msgfmt.
  testsupport::ScratchDir scratch("vn-bundle");
  fs::path dir = scratch.MakeDir("other.plugin");
  fs::path messages = dir / "Resources" / "locale" / "ja" / "LC_MESSAGES";
  fs::create_directories(messages);
  fs::path po = dir / "other.po";
  std::ofstream(po) << "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                       "msgid \"Card\"\nmsgstr \"Karte\"\n";
  TaskResult r;
  ASSERT_EQ(RunTask(MSGFMT, {"msgfmt", "-o", (messages / "other.mo").string(), po.string()}, &r), noErr);
  ASSERT_EQ(r.exitStatus, 0);
  std::ofstream(dir / "Resources" / "PDEMain.ui") << "<ui/>";

  Bundle other(dir.string(), "other");
  EXPECT_EQ(other.localizedString("Card"), "Karte");
  EXPECT_EQ(other.localizedString("Disk"), "Disk");
  EXPECT_EQ(bundle_->localizedString("Card"), "カード");

  EXPECT_EQ(other.pathForResource("PDEMain", "ui"), (dir / "Resources" / "PDEMain.ui").string());
  EXPECT_EQ(other.pathForResource("Missing", "ui"), "");
  EXPECT_EQ(other.pathForResource("PDEMain.ui", ""), (dir / "Resources" / "PDEMain.ui").string());
  EXPECT_EQ(other.pathForResource("", "ui"), "");
}

TEST(BundleForAddress, MainProgramAndNowhere) {
  static int in_this_program = 0;
  Bundle self = Bundle::ForAddress(&in_this_program);
  fs::path exe = fs::canonical("/proc/self/exe");
  EXPECT_EQ(self.path(), exe.parent_path().string());
  EXPECT_EQ(self.domain(), "platform_bundle_test");

  Bundle none = Bundle::ForAddress(nullptr);
  EXPECT_EQ(none.path(), "");
  EXPECT_EQ(none.localizedString("Card"), "Card");
}

}  // namespace
}  // namespace platform
