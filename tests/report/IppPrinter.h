// A real IPP Everywhere printer on the loopback interface for the print
// tests: ippeveprinter (cups-ipp-utils), no CUPS scheduler. ippeveprinter
// insists on registering itself with DNS-SD, so the fixture also starts a
// private D-Bus daemon and an Avahi daemon bound to it (loopback only); all
// three are stopped when the object goes away. Every job runs a script that
// records the job's IPP attributes (IPP_COPIES=3 ...) in the spool folder.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace xnd::test {

class IppPrinter {
 public:
  // aFormats: the document formats the printer accepts.
  explicit IppPrinter(const std::string& aFormats = "application/pdf");
  ~IppPrinter();
  IppPrinter(const IppPrinter&) = delete;
  IppPrinter& operator=(const IppPrinter&) = delete;

  // Empty when the printer is up; otherwise why it could not start.
  const std::string& Failure() const { return FFailure; }
  // ipp://localhost:PORT/ipp/print
  std::string Uri() const;
  // The attributes of the jobs received so far (one "NAME=value" text per
  // job), waiting up to aSeconds for at least aJobs of them.
  std::vector<std::string> Jobs(std::size_t aJobs = 1, int aSeconds = 10) const;

 private:
  pid_t Start(const std::vector<std::string>& aArgs, const std::string& aLog);
  // Whether aText shows in the log within aSeconds; false at once when aGiveUp shows.
  bool WaitFor(const std::string& aLog, const std::string& aText, int aSeconds,
               const std::string& aGiveUp = "") const;

  TempDir FDir;
  int FPort = 0;
  std::vector<pid_t> FChildren;
  std::string FFailure;
};

}  // namespace xnd::test
