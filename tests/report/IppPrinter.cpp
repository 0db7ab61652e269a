#include "tests/report/IppPrinter.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/files.h"
#include "platform/text.h"

extern char** environ;

namespace xnd::test {

namespace {

int FreePort() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
    port = ntohs(a.sin_port);
  }
  close(s);
  return port;
}

bool Accepts(int aPort) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(aPort));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(s);
  return ok;
}

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }

}  // namespace

IppPrinter::IppPrinter(const std::string& aFormats) {
  const std::string bus = "unix:path=" + FDir.Path() + "bus";
  FChildren.push_back(Start(
      {"dbus-daemon", "--session", "--address=" + bus, "--nofork", "--nopidfile"}, "dbus.log"));
  for (int i = 0; i < 50 && !std::filesystem::exists(FDir.Path() + "bus"); ++i) Pause();
  FDir.Write("avahi.conf",
             "[server]\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=lo\nenable-dbus=yes\n"
             "[publish]\npublish-hinfo=no\npublish-workstation=no\n");
  // Avahi keeps one pid file per machine: while another test's daemon is
  // still running, this one waits for its turn.
  bool started = false;
  for (int attempt = 0; attempt < 30 && !started; ++attempt) {
    const pid_t avahi = Start({"avahi-daemon", "--no-drop-root", "--no-chroot", "--no-rlimits",
                               "--no-proc-title", "-f", FDir.File("avahi.conf")},
                              "avahi.log");
    started = WaitFor("avahi.log", "Server startup complete", 10, "already running");
    if (started) {
      FChildren.push_back(avahi);
    } else if (avahi > 0) {
      kill(avahi, SIGTERM);
      int status = 0;
      waitpid(avahi, &status, 0);
      std::this_thread::sleep_for(std::chrono::seconds(1));
    }
  }
  if (!started) {
    FFailure = "avahi-daemon não iniciou: " + FDir.Read("avahi.log");
    return;
  }
  const std::string script = FDir.Write(
      "job.sh", "#!/bin/sh\nenv | grep '^IPP_' > \"" + FDir.Path() +
                    "job-$IPP_JOB_ID.tmp\" && mv \"" + FDir.Path() + "job-$IPP_JOB_ID.tmp\" \"" +
                    FDir.Path() + "job-$IPP_JOB_ID.env\"\n");
  chmod(script.c_str(), 0755);
  FPort = FreePort();
  FChildren.push_back(Start({"ippeveprinter", "-p", IntToStr(FPort), "-n", "localhost", "-d",
                             FDir.Path(), "-f", aFormats, "-c", script, "xndTeste"},
                            "printer.log"));
  for (int i = 0; i < 100 && !Accepts(FPort); ++i) Pause();
  if (!Accepts(FPort)) FFailure = "ippeveprinter não iniciou: " + FDir.Read("printer.log");
}

IppPrinter::~IppPrinter() {
  std::reverse(FChildren.begin(), FChildren.end());
  for (const pid_t pid : FChildren) {
    if (pid <= 0) continue;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
  }
}

pid_t IppPrinter::Start(const std::vector<std::string>& aArgs, const std::string& aLog) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  env.push_back("DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + FDir.Path() + "bus");
  std::vector<char*> argv, envp;
  for (const std::string& a : aArgs) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string log = FDir.File(aLog);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

bool IppPrinter::WaitFor(const std::string& aLog, const std::string& aText, int aSeconds,
                         const std::string& aGiveUp) const {
  for (int i = 0; i < aSeconds * 10; ++i) {
    const std::string log = FileExists(FDir.File(aLog)) ? FDir.Read(aLog) : std::string();
    if (log.find(aText) != std::string::npos) return true;
    if (!aGiveUp.empty() && log.find(aGiveUp) != std::string::npos) return false;
    Pause();
  }
  return false;
}

std::string IppPrinter::Uri() const { return Format("ipp://localhost:%d/ipp/print", FPort); }

std::vector<std::string> IppPrinter::Jobs(std::size_t aJobs, int aSeconds) const {
  std::vector<std::string> jobs;
  for (int i = 0; i <= aSeconds * 10; ++i) {
    jobs.clear();
    for (const auto& entry : std::filesystem::directory_iterator(FDir.Path())) {
      const std::string name = entry.path().filename().string();
      if (StartsText("job-", name) && EndsText(".env", name)) jobs.push_back(FDir.Read(name));
    }
    if (jobs.size() >= aJobs) break;
    Pause();
  }
  return jobs;
}

}  // namespace xnd::test
