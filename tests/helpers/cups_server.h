// A CUPS server of a test's own (tests/print/cups-server) with the PDF
// printer "zolt-pdf", default destination, whose jobs become PDF files;
// and the text of a PDF file (pdftotext). Starting it needs root, cupsd and
// cups-pdf: a test skips when `socket` is empty and says `whyNot`.
#ifndef ZOLT_TESTS_CUPS_SERVER_H
#define ZOLT_TESTS_CUPS_SERVER_H

#include <string>
#include <vector>

#include "helpers/test_files.h"

class CupsServer {
 public:
  CupsServer();  // starts it
  ~CupsServer(); // stops it
  CupsServer(const CupsServer&) = delete;
  CupsServer& operator=(const CupsServer&) = delete;

  std::string socket;  // for CUPS_SERVER; empty when the server did not start
  std::string whyNot;  // why it did not

  // The PDF that cups-pdf made of job `id`, once the server has completed
  // the job (waiting generously: it goes through the server's filters and
  // Ghostscript first). Empty if none came.
  std::string PdfOfJob(int id) const;

  // Waits until the server has no job left to do, then lists the PDF files
  // made, oldest first.
  std::vector<std::string> PdfsWhenIdle() const;

  // The server's accounting of a completed job: its page_log line, where
  // "total N" counts the sheets of every copy (cups-pdf itself writes one
  // PDF whatever the copies).
  std::string PageLogOfJob(int id) const;

 private:
  TempDir folder_;
};

// The text of a PDF file as pdftotext lays it out, pages separated by form
// feeds; empty when pdftotext is missing or fails.
std::string PdfText(const std::string& path);
bool HavePdfToText();

#endif
