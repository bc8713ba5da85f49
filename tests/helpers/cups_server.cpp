// A CUPS server of a test's own, and the text of a PDF (cups_server.h).
#include "helpers/cups_server.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

struct Output {
  int status;  // the exit status, or -1
  std::string out;  // standard output and error
};

Output Shell(const std::string& command) {
  Output result{-1, ""};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[512];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, got);
  int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Script() { return std::string(ZOLT_SOURCE_DIR) + "/tests/print/cups-server"; }

// Waits (up to a minute) for `done`.
template <class Done>
bool Eventually(Done done) {
  for (int i = 0; i < 1200; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

}  // namespace

CupsServer::CupsServer() {
  Output started = Shell(Script() + " start " + folder_.path() + " " + std::to_string(getpid()));
  if (started.status == 0 && !started.out.empty())
    socket = started.out.substr(0, started.out.find('\n'));
  else
    whyNot = "no CUPS server with cups-pdf could be started here: " + started.out;
}

CupsServer::~CupsServer() {
  if (!socket.empty()) Shell(Script() + " stop " + folder_.path());
}

std::string CupsServer::PdfOfJob(int id) const {
  std::string job = "zolt-pdf-" + std::to_string(id) + " ";
  bool completed = Eventually([&] {
    return Shell("lpstat -h " + socket + " -W completed -o zolt-pdf").out.find(job) != std::string::npos;
  });
  Output found = Shell("ls " + folder_.path() + "/pdf/*job_" + std::to_string(id) + ".pdf");
  return completed && found.status == 0 ? found.out.substr(0, found.out.find('\n')) : "";
}

std::vector<std::string> CupsServer::PdfsWhenIdle() const {
  std::vector<std::string> pdfs;
  if (!Eventually([&] { return Shell("lpstat -h " + socket + " -o zolt-pdf").out.empty(); })) return pdfs;
  Output list = Shell("ls -tr " + folder_.path() + "/pdf/*.pdf");
  if (list.status != 0) return pdfs;
  size_t start = 0, end;
  while ((end = list.out.find('\n', start)) != std::string::npos) {
    pdfs.push_back(list.out.substr(start, end - start));
    start = end + 1;
  }
  return pdfs;
}

std::string CupsServer::PageLogOfJob(int id) const {
  return Shell("grep '^zolt-pdf [^ ]* " + std::to_string(id) + " ' " + folder_.path() + "/log/page_log").out;
}

std::string PdfText(const std::string& path) { return Shell("pdftotext -layout '" + path + "' - 2>/dev/null").out; }

bool HavePdfToText() { return Shell("command -v pdftotext").status == 0; }
