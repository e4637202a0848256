// JPEG and PDF writers: real decoders and readers check what they write,
// and a failed write leaves nothing under the final name.
#include <gtest/gtest.h>

#include <cstdio>

#include "base/Errors.h"
#include "page/uJpegEncoder.h"
#include "page/uPdfWriter.h"
#include "support/JpegDecode.h"
#include "support/TestEnv.h"
#include "support/UnixTools.h"

using namespace vt;

namespace {

std::string PdfInfo(const std::string& path) {
  test::UnixResult r = test::RunUnixCommand("pdfinfo " + test::ShellQuote(test::UnixPath(path)));
  EXPECT_EQ(r.exitCode, 0) << r.output;
  return r.output;
}

}  // namespace

TEST(JpegEncoder, DecodesBackCloseToTheSource) {
  test::TempDir dir;
  TBitmap source(333, 217);
  test::PaintTestPattern(source);
  std::string path = dir.file("page.jpg");
  TJpegEncoder(100).SaveToFile(source, path);
  TBitmap decoded;
  ASSERT_TRUE(test::DecodeJpegFile(path, decoded));
  double diff = test::MeanChannelDifference(source, decoded);
  EXPECT_GE(diff, 0);
  EXPECT_LE(diff, 12.0);  // noise and chroma subsampling cost a little; a swapped channel or row costs ~100
  EXPECT_FALSE(test::FileExists(path + ".~" + std::to_string(::GetCurrentProcessId()) + ".tmp"));
}

TEST(JpegEncoder, QualityChangesTheStream) {
  TBitmap source(200, 120);
  test::PaintTestPattern(source);
  EXPECT_GT(TJpegEncoder(100).Encode(source).size(), TJpegEncoder(90).Encode(source).size());
}

// The rows come from the caller between libjpeg's calls: a row that fails ends the stream and
// reaches the caller, and the encoder is whole for the next picture.
TEST(JpegEncoder, ARowThatFailsReachesTheCaller) {
  const TJpegEncoder encoder(90);
  const std::vector<uint8_t> row(64 * 3, 128);
  EXPECT_THROW(encoder.EncodeRows(64, 64,
                                  [&](int y) -> const uint8_t* {
                                    if (y == 40) throw Error("row 40 missing");
                                    return row.data();
                                  }),
               Error);
  EXPECT_FALSE(encoder.EncodeRows(64, 64, [&](int) { return row.data(); }).empty());
}

TEST(JpegEncoder, FailedWritesLeaveNoFileAndSayWhy) {
  test::TempDir dir;
  TBitmap source(20, 20);
  try {
    TJpegEncoder(100).SaveToFile(source, dir.file("missing\\x.jpg"));
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("x.jpg"), std::string::npos) << e.what();
  }
  // A file held open by another writer keeps its old content.
  std::string busy = dir.file("busy.jpg");
  test::WriteFileBytes(busy, "old");
  HANDLE lock = ::CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_THROW(TJpegEncoder(100).SaveToFile(source, busy), Error);
  ::CloseHandle(lock);
  EXPECT_EQ(test::ReadFileBytes(busy), "old");
  EXPECT_THROW(TJpegEncoder(100).Encode(TBitmap()), Error);
}

TEST(PdfWriter, PagesOfPixelUnitsWithJpegPictures) {
  test::TempDir dir;
  TBitmap body(761, 924), banner(761, 100);
  test::PaintTestPattern(body, 1);
  test::PaintTestPattern(banner, 2);
  TPdfWriter pdf;
  for (int page = 0; page < 3; ++page) {
    pdf.AddPage(761, 1084);
    pdf.DrawJpeg(TJpegEncoder(90).Encode(banner), RECT{0, 0, 761, 100});
    pdf.DrawJpeg(TJpegEncoder(90).Encode(body), RECT{0, 100, 761, 1024});
    pdf.DrawJpeg(TJpegEncoder(90).Encode(banner), RECT{0, 0, 0, 0});  // an empty item adds nothing
  }
  std::string path = dir.file("out.pdf");
  pdf.SaveToFile(path);
  std::string info = PdfInfo(path);
  EXPECT_EQ(test::PdfInfoField(info, "Pages"), "3");
  EXPECT_EQ(test::PdfInfoField(info, "Page size").substr(0, 16), "761 x 1084 pts") << info;
  EXPECT_EQ(test::PdfInfoField(info, "PDF version"), "1.2");
  test::UnixResult images = test::RunUnixCommand("pdfimages -list " + test::ShellQuote(test::UnixPath(path)));
  ASSERT_EQ(images.exitCode, 0) << images.output;
  int jpegs = 0;
  for (size_t at = images.output.find(" jpeg "); at != std::string::npos; at = images.output.find(" jpeg ", at + 1))
    ++jpegs;
  EXPECT_EQ(jpegs, 6) << images.output;
  EXPECT_NE(images.output.find(" 761   924 "), std::string::npos) << images.output;
  test::UnixResult check = test::RunUnixCommand("qpdf --check " + test::ShellQuote(test::UnixPath(path)));
  EXPECT_EQ(check.exitCode, 0) << check.output;
}

TEST(PdfWriter, RendersThePictureWhereItWasPlaced) {
  test::TempDir dir;
  TBitmap red(100, 50);
  red.Fill(RGB(255, 0, 0));
  TPdfWriter pdf;
  pdf.AddPage(200, 100);
  pdf.DrawJpeg(TJpegEncoder(90).Encode(red), RECT{100, 50, 200, 100});  // bottom-right quarter
  std::string path = dir.file("place.pdf");
  pdf.SaveToFile(path);
  std::string png = test::UnixPath(dir.file("place"));
  test::UnixResult r = test::RunUnixCommand("pdftoppm -r 72 -png -singlefile " + test::ShellQuote(test::UnixPath(path)) +
                                            " " + test::ShellQuote(png) + " && convert " + test::ShellQuote(png + ".png") +
                                            " -format '%[fx:int(255*p{50,25}.r)] %[fx:int(255*p{50,25}.g)] "
                                            "%[fx:int(255*p{150,75}.r)] %[fx:int(255*p{150,75}.g)]' info:");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  int emptyRed = 0, emptyGreen = 0, placedRed = 0, placedGreen = 0;
  ASSERT_EQ(std::sscanf(r.output.c_str(), "%d %d %d %d", &emptyRed, &emptyGreen, &placedRed, &placedGreen), 4) << r.output;
  EXPECT_GT(emptyRed, 245);
  EXPECT_GT(emptyGreen, 245);
  EXPECT_GT(placedRed, 240);
  EXPECT_LT(placedGreen, 15);
}

TEST(PdfWriter, FailedSaveLeavesNoFile) {
  test::TempDir dir;
  TPdfWriter pdf;
  pdf.AddPage(10, 10);
  EXPECT_THROW(pdf.SaveToFile(dir.file("no\\such\\out.pdf")), Error);
  EXPECT_FALSE(test::FileExists(dir.file("no\\such\\out.pdf")));
}
