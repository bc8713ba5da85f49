// Printing from end to end: the restorer run in line mode prints its label
// and its technical data through a real CUPS server (tests/print/cups-server,
// the PDF printer "zolt-pdf"; skipped where that cannot start), and the PDF
// that comes out holds both texts on one page, the label first.
#include <gtest/gtest.h>

#include "helpers/cups_server.h"
#include "helpers/run_program.h"
#include "helpers/test_files.h"

TEST(PrintCups, LabelAndDataOnOnePageOfThePrinter) {
  if (!HavePdfToText()) GTEST_SKIP() << "pdftotext (poppler-utils) is missing";
  CupsServer cups;
  if (cups.socket.empty()) GTEST_SKIP() << cups.whyNot;
  TempDir dir;
  ASSERT_TRUE(WriteWholeFile(dir / "label.txt", {'D', 'I', 'S', 'K', ' ', 'O', 'N', 'E', '\n', 'S', 'E', 'C', 'O',
                                                   'N', 'D', ' ', 'L', 'I', 'N', 'E', '\n'}));
  ASSERT_TRUE(WriteWholeFile(dir / "data.txt", {'T', 'E', 'C', 'H', 'N', 'I', 'C', 'A', 'L', '\n'}));
  std::string exe = dir / "packed.exe";
  ProgramResult packed = RunProgram(BuiltProgram("zolt-pack") + " build --image " + BuiltProgram("sample-1440k.img") +
                                    " --label " + dir / "label.txt" + " --data " + dir / "data.txt" + " -o " + exe);
  ASSERT_EQ(packed.exitCode, 0) << packed.err;

  // The printer chosen once: the data joins the label's open document,
  // which "&Quit" ends and hands to the printer.
  ProgramResult run = RunProgram("CUPS_SERVER=" + cups.socket + " ZOLT_CLOCK=virtual ZOLT_DRIVES='a:=floppy:" +
                                     dir / "a.img" + "' timeout 120 " + exe,
                                 "print label\nzolt-pdf\nprint data\nquit\n");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("Print: Printers: zolt-pdf (default), FILE:"), std::string::npos) << run.err;

  std::vector<std::string> pdfs = cups.PdfsWhenIdle();
  ASSERT_EQ(pdfs.size(), 1u) << "one document\n" << run.err;
  std::string text = PdfText(pdfs[0]);
  EXPECT_EQ(text.find('\f'), text.rfind('\f')) << "one page:\n" << text;
  size_t one = text.find("DISK ONE"), two = text.find("SECOND LINE"), data = text.find("TECHNICAL");
  ASSERT_NE(one, std::string::npos) << text;
  ASSERT_NE(two, std::string::npos) << text;
  ASSERT_NE(data, std::string::npos) << text;
  EXPECT_LT(one, two) << text;
  EXPECT_LT(two, data) << text;
}
