// Print session, page format and paper over the shipped PPD.
#include "platform/printing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "samples.h"
#include "scratch_dir.h"

namespace platform {
namespace {

using ::testing::HasSubstr;
using testsupport::SamplePpd;

std::string SjisPpd() { return testsupport::TestPpd("VN420P-sjis.ppd"); }

std::unique_ptr<PrintSession> SessionOrFail(const std::string& path,
                                            const std::string& uri = "socket://192.0.2.7") {
  std::string error;
  auto session = PrintSession::FromPpdFile(path, uri, &error);
  EXPECT_NE(session, nullptr) << error;
  return session;
}

TEST(PrintSessionTest, FromPPDFileNamesPrinterAfterFile) {
  auto session = SessionOrFail(SamplePpd(), "socket://192.0.2.7:9100");
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(session->currentPrinter().id(), "VN420P");
  EXPECT_EQ(session->currentPrinter().deviceURI(), "socket://192.0.2.7:9100");
  ASSERT_NE(session->ppd(), nullptr);
  EXPECT_NE(ppd::FindOption(session->ppd(), "HVQuickColor"), nullptr);

  auto sjis = SessionOrFail(SjisPpd());
  ASSERT_NE(sjis, nullptr);
  EXPECT_EQ(sjis->currentPrinter().id(), "VN420P-sjis");
}

TEST(PrintSessionTest, OnlyTheLastPpdSuffixIsDropped) {
  testsupport::ScratchDir dir("vn-session");
  const std::string copy = dir.File("Office.ppd.ppd");
  std::filesystem::copy_file(SamplePpd(), copy);
  const std::string bare = dir.File("Office-2");
  std::filesystem::copy_file(SamplePpd(), bare);
  auto a = SessionOrFail(copy);
  auto b = SessionOrFail(bare);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->currentPrinter().id(), "Office.ppd");
  EXPECT_EQ(b->currentPrinter().id(), "Office-2");
}

TEST(PrintSessionTest, FromPPDFileFailureNamesFile) {
  std::string error;
  EXPECT_EQ(PrintSession::FromPpdFile("/nonexistent/VN420P.ppd", "socket://x", &error), nullptr);
  EXPECT_THAT(error, HasSubstr("/nonexistent/VN420P.ppd"));
}

TEST(PrintSessionTest, UnknownDestinationIsNamedInError) {
  const std::string name = "vn420p-test-no-such-queue";
  std::string error;
  EXPECT_EQ(PrintSession::FromDestination(name, &error), nullptr);
  EXPECT_THAT(error, HasSubstr("\"" + name + "\""));
}

TEST(PrintSessionTest, DefaultPageFormatIsPPDDefault) {
  auto session = SessionOrFail(SamplePpd());
  ASSERT_NE(session, nullptr);
  PageFormat format = session->defaultPageFormat();
  EXPECT_EQ(format.paper().id, "Letter");
  EXPECT_EQ(format.paper().localizedName, "US Letter");
  EXPECT_EQ(format.orientation(), kPMPortrait);
  EXPECT_EQ(format.unadjustedPaperRect(), (PMRect{0, 0, 792, 612}));

  auto sjis = SessionOrFail(SjisPpd());
  ASSERT_NE(sjis, nullptr);
  EXPECT_EQ(sjis->defaultPageFormat().paper().id, "A4");

  // Marking another size changes what the session calls its default.
  ppd::MarkOption(session->ppd(), "PageSize", "A5");
  EXPECT_EQ(session->defaultPageFormat().paper().id, "A5");
}

TEST(PrintSessionTest, PaperForName) {
  auto session = SessionOrFail(SamplePpd());
  ASSERT_NE(session, nullptr);
  auto a4 = session->paperForName("A4");
  ASSERT_TRUE(a4.has_value());
  EXPECT_EQ(a4->id, "A4");
  EXPECT_EQ(a4->localizedName, "A4");
  EXPECT_DOUBLE_EQ(a4->width, 595);
  EXPECT_DOUBLE_EQ(a4->height, 842);
  // ImageableArea "12 12 583 830", turned into top-down paper coordinates.
  EXPECT_EQ(a4->imageable, (PMRect{12, 12, 830, 583}));

  auto env = session->paperForName("Env10");
  ASSERT_TRUE(env.has_value());
  EXPECT_EQ(env->localizedName, "Envelope #10");

  // libcups matches names without regard to case; the PPD's spelling is kept.
  auto letter = session->paperForName("letter");
  ASSERT_TRUE(letter.has_value());
  EXPECT_EQ(letter->id, "Letter");

  EXPECT_FALSE(session->paperForName("Tabloid").has_value());
  EXPECT_FALSE(session->paperForName("").has_value());

  auto custom = session->paperForName("Custom.300x500");
  ASSERT_TRUE(custom.has_value());
  EXPECT_EQ(custom->id, "Custom.300x500");
  EXPECT_DOUBLE_EQ(custom->width, 300);
  EXPECT_DOUBLE_EQ(custom->height, 500);

  auto sjis = SessionOrFail(SjisPpd());
  ASSERT_NE(sjis, nullptr);
  auto jletter = sjis->paperForName("Letter");
  ASSERT_TRUE(jletter.has_value());
  EXPECT_EQ(jletter->localizedName, "\u30ec\u30bf\u30fc");
}

TEST(PageFormatTest, RectTurnsWithOrientation) {
  Paper paper{"A4", "A4", 595, 842, {}};
  const PMRect upright{0, 0, 842, 595};
  const PMRect turned{0, 0, 595, 842};
  EXPECT_EQ(PageFormat(paper, kPMPortrait).unadjustedPaperRect(), upright);
  EXPECT_EQ(PageFormat(paper, kPMReversePortrait).unadjustedPaperRect(), upright);
  EXPECT_EQ(PageFormat(paper, kPMLandscape).unadjustedPaperRect(), turned);
  EXPECT_EQ(PageFormat(paper, kPMReverseLandscape).unadjustedPaperRect(), turned);
  EXPECT_EQ(PageFormat().unadjustedPaperRect(), PMRect{});

  PageFormat format(paper, kPMPortrait);
  format.setOrientation(kPMLandscape);
  format.setPaper(Paper{"Letter", "US Letter", 612, 792, {}});
  EXPECT_EQ(format.unadjustedPaperRect(), (PMRect{0, 0, 612, 792}));
}

TEST(PrintCallsTest, AnswerWhatTheObjectsHold) {
  auto session = SessionOrFail(SamplePpd(), "usb://HALVERN/VN420P");
  ASSERT_NE(session, nullptr);
  const Printer* printer = nullptr;
  ASSERT_EQ(PMSessionGetCurrentPrinter(session.get(), &printer), noErr);
  ASSERT_EQ(printer, &session->currentPrinter());
  std::string id, uri;
  EXPECT_EQ(PMPrinterGetID(printer, &id), noErr);
  EXPECT_EQ(id, "VN420P");
  EXPECT_EQ(PMPrinterCopyDeviceURI(printer, &uri), noErr);
  EXPECT_EQ(uri, "usb://HALVERN/VN420P");

  PageFormat format(*session->paperForName("Legal"), kPMReverseLandscape);
  const Paper* paper = nullptr;
  ASSERT_EQ(PMGetPageFormatPaper(&format, &paper), noErr);
  ASSERT_EQ(paper, &format.paper());
  std::string name;
  EXPECT_EQ(PMPaperCreateLocalizedName(paper, &name), noErr);
  EXPECT_EQ(name, "US Legal");
  PMRect rect;
  EXPECT_EQ(PMGetUnadjustedPaperRect(&format, &rect), noErr);
  EXPECT_EQ(rect, (PMRect{0, 0, 612, 1008}));
  PMOrientation orientation = kPMPortrait;
  EXPECT_EQ(PMGetOrientation(&format, &orientation), noErr);
  EXPECT_EQ(orientation, kPMReverseLandscape);

  // A paper without a display name is called by its id.
  Paper bare{"Postcard", "", 283, 420, {}};
  EXPECT_EQ(PMPaperCreateLocalizedName(&bare, &name), noErr);
  EXPECT_EQ(name, "Postcard");
}

TEST(PrintCallsTest, NullArgumentsAreParamErr) {
  auto session = SessionOrFail(SamplePpd());
  ASSERT_NE(session, nullptr);
  const Printer* printer = &session->currentPrinter();
  PageFormat format = session->defaultPageFormat();
  const Printer* out_printer = nullptr;
  const Paper* out_paper = nullptr;
  std::string s;
  PMRect rect;
  PMOrientation orientation;
  EXPECT_EQ(PMSessionGetCurrentPrinter(nullptr, &out_printer), paramErr);
  EXPECT_EQ(PMSessionGetCurrentPrinter(session.get(), nullptr), paramErr);
  EXPECT_EQ(PMPrinterGetID(nullptr, &s), paramErr);
  EXPECT_EQ(PMPrinterGetID(printer, nullptr), paramErr);
  EXPECT_EQ(PMPrinterCopyDeviceURI(nullptr, &s), paramErr);
  EXPECT_EQ(PMPrinterCopyDeviceURI(printer, nullptr), paramErr);
  EXPECT_EQ(PMGetPageFormatPaper(nullptr, &out_paper), paramErr);
  EXPECT_EQ(PMGetPageFormatPaper(&format, nullptr), paramErr);
  EXPECT_EQ(PMPaperCreateLocalizedName(nullptr, &s), paramErr);
  EXPECT_EQ(PMPaperCreateLocalizedName(&format.paper(), nullptr), paramErr);
  EXPECT_EQ(PMGetUnadjustedPaperRect(nullptr, &rect), paramErr);
  EXPECT_EQ(PMGetUnadjustedPaperRect(&format, nullptr), paramErr);
  EXPECT_EQ(PMGetOrientation(nullptr, &orientation), paramErr);
  EXPECT_EQ(PMGetOrientation(&format, nullptr), paramErr);
}

}  // namespace
}  // namespace platform
